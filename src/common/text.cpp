#include "common/text.h"

#include <windows.h>

namespace cuevoice {

std::wstring to_wide(std::string_view utf8) {
    if (utf8.empty())
        return {};
    int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

std::string to_utf8(std::wstring_view wide) {
    if (wide.empty())
        return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                        nullptr, nullptr);
    return utf8;
}

std::optional<std::string> to_utf8_strict(std::wstring_view wide) {
    for (std::size_t i = 0; i < wide.size(); ++i) {
        wchar_t unit = wide[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF)
            return std::nullopt;
    }
    return to_utf8(wide);
}

std::string system_message(unsigned long code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr)
        return {};
    std::wstring text(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return to_utf8(text);
}

std::string error_code_text(unsigned long code) {
    std::string text = system_message(code);
    return text.empty() ? "error " + std::to_string(code) : text;
}

std::string last_error_text() {
    return error_code_text(GetLastError());
}

} // namespace cuevoice
