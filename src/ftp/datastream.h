// One end of a data transfer: where received bytes go (a download, a listing) or where the
// bytes to send come from (an upload).
#pragma once

#include <cstddef>

namespace tarnwick {

class CDataStream {
public:
    virtual ~CDataStream() = default;
    [[nodiscard]] virtual bool IsUpload() const = 0;
    // Receiving: takes the bytes that arrived. False stops the transfer (a local failure).
    virtual bool Write(const char* data, std::size_t size)
    {
        (void)data;
        (void)size;
        return false;
    }
    // Sending: fills `buffer` with the next bytes. The count, 0 at the end, -1 on failure.
    virtual long Read(char* buffer, std::size_t capacity)
    {
        (void)buffer;
        (void)capacity;
        return -1;
    }
    // Receiving: the data connection has ended. False when the last bytes cannot be stored.
    virtual bool Finish() { return true; }
    // The errno of the local failure that stopped the transfer; 0 when none.
    [[nodiscard]] virtual int Error() const { return 0; }
};

} // namespace tarnwick
