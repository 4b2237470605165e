#include "ftp/textmode.h"

namespace tarnwick {

void CNetworkToLocalText::Convert(std::string_view piece, std::string& out)
{
    out.reserve(out.size() + piece.size() + 1);
    std::size_t i = 0;
    if (m_bPendingCr && !piece.empty()) {
        m_bPendingCr = false;
        if (piece.front() != '\n') {
            out += '\r';
        }
    }
    while (i < piece.size()) {
        const std::size_t cr = piece.find('\r', i);
        if (cr == std::string_view::npos) {
            out.append(piece.substr(i));
            break;
        }
        out.append(piece.substr(i, cr - i));
        if (cr + 1 == piece.size()) {
            m_bPendingCr = true; // the LF may come in the next piece
            break;
        }
        if (piece[cr + 1] != '\n') {
            out += '\r';
        }
        i = cr + 1;
    }
}

void CNetworkToLocalText::Finish(std::string& out)
{
    if (m_bPendingCr) {
        out += '\r';
        m_bPendingCr = false;
    }
}

void CLocalToNetworkText::Convert(std::string_view piece, std::string& out)
{
    out.reserve(out.size() + piece.size() + piece.size() / 16);
    for (const char c : piece) {
        if (c == '\n' && !m_bLastWasCr) {
            out += '\r';
        }
        out += c;
        m_bLastWasCr = c == '\r';
    }
}

} // namespace tarnwick
