#include "registry_fixture.h"

namespace cuevoice::test {
namespace {

bool key_exists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

std::optional<std::pair<DWORD, std::vector<BYTE>>> read_raw(HKEY root, const std::wstring& key,
                                                            const std::wstring& name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(),
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return std::make_pair(type, std::move(data));
}

void write_raw(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
               const std::vector<BYTE>& data) {
    RegSetKeyValueW(root, key.c_str(), name.c_str(), type, data.data(),
                    static_cast<DWORD>(data.size()));
}

} // namespace

ScopedRegistryValue::ScopedRegistryValue(HKEY root, std::wstring key, std::wstring name, DWORD type,
                                         std::vector<BYTE> data)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    for (std::size_t at = 0;;) {
        std::size_t end = key_.find(L'\\', at);
        std::wstring level = key_.substr(0, end);
        if (!key_exists(root_, level)) {
            created_ = level;
            break;
        }
        if (end == std::wstring::npos)
            break;
        at = end + 1;
    }
    if (!created_) {
        if (auto old = read_raw(root_, key_, name_))
            previous_ = Previous{old->first, std::move(old->second)};
    }
    write_raw(root_, key_, name_, type, data);
}

ScopedRegistryValue::~ScopedRegistryValue() {
    if (created_) {
        RegDeleteTreeW(root_, created_->c_str());
        return;
    }
    if (previous_)
        write_raw(root_, key_, name_, previous_->type, previous_->data);
    else
        RegDeleteKeyValueW(root_, key_.c_str(), name_.c_str());
}

std::vector<BYTE> ScopedRegistryValue::text_bytes(const std::wstring& text) {
    const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}

ScopedRegistryAbsence::ScopedRegistryAbsence(HKEY root, std::wstring key, std::wstring name)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    previous_ = read_raw(root_, key_, name_);
    if (previous_)
        RegDeleteKeyValueW(root_, key_.c_str(), name_.c_str());
}

ScopedRegistryAbsence::~ScopedRegistryAbsence() {
    if (previous_)
        write_raw(root_, key_, name_, previous_->first, previous_->second);
}

} // namespace cuevoice::test
