#include "files/listingreader.h"

#include "files/listingparser.h"

namespace tarnwick {

void CListingReader::Reset(ListingFormat format)
{
    m_format = format;
    m_partial.clear();
    m_nUnparsed = 0;
}

bool CListingReader::Feed(std::string_view piece)
{
    if (!m_partial.empty()) {
        const std::size_t lf = piece.find('\n');
        if (lf == std::string_view::npos) {
            m_partial.append(piece);
            return true;
        }
        m_partial.append(piece.substr(0, lf));
        piece.remove_prefix(lf + 1);
        const bool go = Line(m_partial);
        m_partial.clear();
        if (!go) {
            return false;
        }
    }
    // Whole lines straight from the piece: nothing is copied but an unfinished last line.
    for (;;) {
        const std::size_t lf = piece.find('\n');
        if (lf == std::string_view::npos) {
            m_partial.assign(piece);
            return true;
        }
        if (!Line(piece.substr(0, lf))) {
            return false;
        }
        piece.remove_prefix(lf + 1);
    }
}

bool CListingReader::Finish()
{
    if (m_partial.empty()) {
        return true;
    }
    const bool go = Line(m_partial);
    m_partial.clear();
    return go;
}

bool CListingReader::Line(std::string_view line)
{
    const ParsedLine parsed = m_format == ListingFormat::MlsdFacts
                                  ? ParseMlsdLine(line, m_entry)
                                  : ParseListingLine(line, m_entry);
    if (parsed == ParsedLine::Unparsed) {
        ++m_nUnparsed;
    }
    if (parsed != ParsedLine::Entry) {
        return true;
    }
    if (m_entry.isDirectory == 1) {
        m_entry.displayName.insert(m_entry.displayName.begin(), '<');
        m_entry.displayName.push_back('>');
    }
    return m_handler(m_entry);
}

} // namespace tarnwick
