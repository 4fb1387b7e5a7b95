#pragma once
// Registry values written by a test and removed again, with whatever they replaced restored:
// the test prefix's registry is shared by every test program.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

namespace cuevoice::test {

class ScopedRegistryValue {
public:
    // Writes `data` (raw bytes of the given type) into root\key\name, creating missing keys.
    ScopedRegistryValue(HKEY root, std::wstring key, std::wstring name, DWORD type,
                        std::vector<BYTE> data);
    ~ScopedRegistryValue();
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

    // A REG_SZ or REG_EXPAND_SZ value with its terminating NUL.
    static std::vector<BYTE> text_bytes(const std::wstring& text);

private:
    HKEY root_;
    std::wstring key_;
    std::wstring name_;
    // The first level of `key_` that did not exist before, removed with everything below it.
    std::optional<std::wstring> created_;
    struct Previous {
        DWORD type;
        std::vector<BYTE> data;
    };
    std::optional<Previous> previous_;
};

// Removes root\key\name for the test's duration and puts it back afterwards.
class ScopedRegistryAbsence {
public:
    ScopedRegistryAbsence(HKEY root, std::wstring key, std::wstring name);
    ~ScopedRegistryAbsence();
    ScopedRegistryAbsence(const ScopedRegistryAbsence&) = delete;
    ScopedRegistryAbsence& operator=(const ScopedRegistryAbsence&) = delete;

private:
    HKEY root_;
    std::wstring key_;
    std::wstring name_;
    std::optional<std::pair<DWORD, std::vector<BYTE>>> previous_;
};

} // namespace cuevoice::test
