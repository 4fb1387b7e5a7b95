#include "config/settings_file.h"

#include <algorithm>

#include <windows.h>

#include "catalog/deserialize.h"
#include "common/text.h"
#include "config/toml_nesting.h"

namespace cuevoice {
namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
        unsigned char lead = byte(i);
        std::size_t length;
        char32_t value;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (byte(i + k) & 0x3F);
        }
        if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) ||
            (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

std::string last_error_text() {
    return system_message(GetLastError());
}

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid())
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Closes now; false when closing fails (the last buffered data may not have been written).
    bool close() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

Result<std::string> read_whole_file(const std::filesystem::path& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return Error{last_error_text()};
    std::string text;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            return Error{last_error_text()};
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    return text;
}

// Writes the text into a new file of its own in the path's folder and gives that file's path.
Result<std::filesystem::path> write_temporary_beside(const std::filesystem::path& path,
                                                     std::string_view text) {
    std::filesystem::path temporary = path;
    temporary += L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetCurrentThreadId()) + L".tmp";
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return Error{last_error_text()};
    std::string_view rest = text;
    bool written = true;
    while (!rest.empty() && written) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 20));
        DWORD done = 0;
        written = WriteFile(file.get(), rest.data(), chunk, &done, nullptr) && done > 0;
        rest.remove_prefix(written ? done : 0);
    }
    if (written)
        written = FlushFileBuffers(file.get()) != 0;
    std::string failure = written ? std::string() : last_error_text();
    if (!file.close() && written) {
        written = false;
        failure = last_error_text();
    }
    if (!written) {
        DeleteFileW(temporary.c_str());
        return Error{failure};
    }
    return temporary;
}

Result<void> move_into_place(const std::filesystem::path& temporary,
                             const std::filesystem::path& path, DWORD flags) {
    if (MoveFileExW(temporary.c_str(), path.c_str(), flags | MOVEFILE_WRITE_THROUGH))
        return {};
    DWORD code = GetLastError();
    DeleteFileW(temporary.c_str());
    return Error{system_message(code)};
}

} // namespace

std::string path_text(const std::filesystem::path& path) {
    return to_utf8(path.native());
}

Result<Settings> parse_settings_text(std::string_view text, std::string_view source_name) {
    if (auto problem = find_excessive_nesting(text)) {
        toml::source_position where{static_cast<toml::source_index>(problem->line),
                                    static_cast<toml::source_index>(problem->column)};
        return Error{
            toml_syntax_error_text(toml::parse_error(problem->reason.c_str(), where), text)};
    }
    toml::table document;
    try {
        document = toml::parse(text, source_name);
    } catch (const toml::parse_error& error) {
        return Error{toml_syntax_error_text(error, text)};
    }
    return deserialize_settings(document);
}

Result<Settings> read_settings_file(const std::filesystem::path& path) {
    const std::string shown = path_text(path);
    auto text = read_whole_file(path);
    if (!text)
        return Error{"cannot read " + shown + ": " + text.error()};
    if (!is_valid_utf8(*text))
        return Error{"cannot read " + shown + ": stream did not contain valid UTF-8"};
    std::string_view body = *text;
    if (body.substr(0, byte_order_mark.size()) == byte_order_mark)
        body.remove_prefix(byte_order_mark.size());
    auto settings = parse_settings_text(body, shown);
    if (!settings)
        return Error{"error in " + shown + ": " + settings.error()};
    return settings;
}

Result<void> write_settings_file_atomically(const std::filesystem::path& path,
                                            std::string_view text) {
    auto temporary = write_temporary_beside(path, text);
    if (!temporary)
        return Error{"cannot write " + path_text(path) + ": " + temporary.error()};
    auto moved = move_into_place(*temporary, path, MOVEFILE_REPLACE_EXISTING);
    if (!moved)
        return Error{"cannot write " + path_text(path) + ": " + moved.error()};
    return {};
}

Result<bool> create_settings_file(const std::filesystem::path& path, std::string_view text) {
    // The whole text is written beside the file first and then moved to its name without
    // replacing anything, so the file appears complete or not at all.
    auto temporary = write_temporary_beside(path, text);
    if (!temporary)
        return Error{"cannot write " + path_text(path) + ": " + temporary.error()};
    if (MoveFileExW(temporary->c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    DWORD code = GetLastError();
    DeleteFileW(temporary->c_str());
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
        return false;
    return Error{"cannot write " + path_text(path) + ": " + system_message(code)};
}

} // namespace cuevoice
