// cuevoice --write-keys <file>: the keys reference as a Windows text file.
#include <filesystem>
#include <string>
#include <string_view>

#include <windows.h>

#include "common/files.h"
#include "common/output.h"
#include "common/result.h"
#include "common/text.h"
#include "config/keys_reference.h"
#include "main/switches.h"

namespace cuevoice {
namespace {

std::string with_crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

int write_keys_switch(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2) {
        write_stderr("usage: cuevoice --write-keys <file>\n");
        return 1;
    }
    const std::string& path = arguments[1];
    Result<void> written =
        write_whole_file(std::filesystem::path(to_wide(path)), with_crlf(build_keys_reference()));
    if (!written) {
        write_stderr("cannot write " + path + ": " + written.error() + "\n");
        return 1;
    }
    return 0;
}

} // namespace cuevoice
