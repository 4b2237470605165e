// The store file: whatever parses must write back to a text that parses to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/registryfile.h"

namespace {

bool SameDocument(const tarnwick::RegistryDocument& a, const tarnwick::RegistryDocument& b)
{
    if (a.keys.size() != b.keys.size()) {
        return false;
    }
    for (std::size_t k = 0; k < a.keys.size(); ++k) {
        const auto& ka = a.keys[k];
        const auto& kb = b.keys[k];
        if (ka.path != kb.path || ka.values.size() != kb.values.size()) {
            return false;
        }
        for (std::size_t v = 0; v < ka.values.size(); ++v) {
            const auto& va = ka.values[v];
            const auto& vb = kb.values[v];
            if (va.name != vb.name || va.kind != vb.kind ||
                (va.kind == tarnwick::RegistryValue::Kind::Dword ? va.dword != vb.dword
                                                                 : va.text != vb.text)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    tarnwick::RegistryDocument doc;
    if (!tarnwick::ParseRegistryText(text, doc)) {
        return 0;
    }
    tarnwick::RegistryDocument again;
    if (!tarnwick::ParseRegistryText(tarnwick::SerializeRegistry(doc), again) ||
        !SameDocument(doc, again)) {
        std::abort();
    }
    return 0;
}
