// Passive-mode replies: any text gives a port in range or a clean refusal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ftp/dataaddress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string host;
    int port = -1;
    if (tarnwick::ParsePasvText(text, host, port) && (port < 0 || port > 65535)) {
        std::abort();
    }
    port = -1;
    if (tarnwick::ParseEpsvText(text, port) && (port < 1 || port > 65535)) {
        std::abort();
    }
    return 0;
}
