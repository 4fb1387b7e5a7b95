#include "registry/registry.h"

#include "common/text.h"
#include "common/win_handle.h"

namespace cuevoice {

std::optional<std::string> read_registry_string(HKEY root, std::wstring_view subkey,
                                                std::wstring_view value_name) {
    std::wstring key(subkey);
    std::wstring name(value_name);
    // Without RRF_NOEXPAND a REG_EXPAND_SZ value would pass as REG_SZ, expanded.
    DWORD size = 0;
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr,
                     nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring buffer((size + 1) / 2, L'\0');
    DWORD filled = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr,
                     buffer.data(), &filled) != ERROR_SUCCESS)
        return std::nullopt;
    std::size_t end = buffer.find(L'\0');
    if (end != std::wstring::npos)
        buffer.resize(end);
    return to_utf8(buffer);
}

std::optional<std::vector<std::wstring>> registry_subkey_names(HKEY root, std::wstring_view path) {
    std::wstring key_path(path);
    UniqueRegistryKey key;
    if (RegOpenKeyExW(root, key_path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

} // namespace cuevoice
