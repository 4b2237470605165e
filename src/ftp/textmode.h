// Line-end conversion for text mode (TYPE A): the network form ends lines with CR LF, the
// local form with LF. Both converters keep state between pieces, so a CR LF split across two
// pieces is converted as one line end.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// CR LF -> LF. A CR not followed by LF stays.
class CNetworkToLocalText {
public:
    void Convert(std::string_view piece, std::string& out);
    // The end of the data: a CR held back at the end of the last piece is written.
    void Finish(std::string& out);

private:
    bool m_bPendingCr = false;
};

// LF -> CR LF, unless the LF already follows a CR.
class CLocalToNetworkText {
public:
    void Convert(std::string_view piece, std::string& out);

private:
    bool m_bLastWasCr = false;
};

} // namespace tarnwick
