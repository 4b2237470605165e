#include "settings/registrykey.h"

#include "core/strutil.h"
#include "settings/registryfile.h"

namespace tarnwick {

CRegistryKey::~CRegistryKey()
{
    Close();
}

long CRegistryKey::Open(RegistryRoot /*root*/, const std::string& path)
{
    Close();
    RegistryDocument doc;
    if (ReadRegistry(doc) != StoreStatus::Ok) {
        return kRegAccessDenied;
    }
    // A key that does not exist yet is made by the first value written to it, not here:
    // reading a setting never writes the store.
    const RegistryKeyData* key = doc.FindKey(path);
    m_handle = key != nullptr ? key->path : path;
    return kRegOk;
}

void CRegistryKey::Close()
{
    m_handle.reset();
}

long CRegistryKey::ReadValueBytes(const std::string& name, std::string& bytes)
{
    if (!m_handle) {
        return kRegInvalidHandle;
    }
    RegistryDocument doc;
    if (ReadRegistry(doc) != StoreStatus::Ok) {
        return kRegAccessDenied;
    }
    const RegistryKeyData* key = doc.FindKey(*m_handle);
    const RegistryValue* value = key != nullptr ? key->FindValue(name) : nullptr;
    if (value == nullptr) {
        return kRegNotFound;
    }
    if (value->kind == RegistryValue::Kind::Dword) {
        bytes.clear();
        for (int shift = 0; shift < 32; shift += 8) {
            bytes += static_cast<char>((value->dword >> shift) & 0xFF);
        }
    } else {
        bytes = EncodeUtf16Le(value->text) + std::string(2, '\0');
    }
    return kRegOk;
}

long CRegistryKey::GetDword(const std::string& name, std::uint32_t& value)
{
    std::string bytes;
    if (const long status = ReadValueBytes(name, bytes); status != kRegOk) {
        return status;
    }
    if (bytes.size() > kDwordBufferBytes) {
        return kRegMoreData;
    }
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    value = number;
    return kRegOk;
}

long CRegistryKey::GetString(const std::string& name, std::string& value)
{
    value.clear();
    std::string bytes;
    if (const long status = ReadValueBytes(name, bytes); status != kRegOk) {
        return status;
    }
    if (bytes.size() > kStringBufferBytes) {
        return kRegMoreData;
    }
    value = DecodeUtf16Le(bytes);
    return kRegOk;
}

long CRegistryKey::WriteValue(RegistryValue value)
{
    if (!m_handle) {
        return kRegInvalidHandle;
    }
    const std::string path = *m_handle;
    const StoreStatus status = ModifyRegistry([&](RegistryDocument& doc) {
        doc.CreateKey(path).PutValue(std::move(value));
        return true;
    });
    return status == StoreStatus::Ok ? kRegOk : kRegAccessDenied;
}

long CRegistryKey::SetDword(const std::string& name, std::uint32_t value)
{
    return WriteValue(RegistryValue{name, RegistryValue::Kind::Dword, value, std::string()});
}

long CRegistryKey::SetString(const std::string& name, const std::string& value)
{
    return WriteValue(RegistryValue{name, RegistryValue::Kind::Text, 0, value});
}

} // namespace tarnwick
