// The few functions of the Win32 floor that the portable code links to. None lies on a path the
// targets run, except a fatal error, which ends the run as it ends the program: any call is a
// crash that names itself.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "applog/applog.h"
#include "common/fatal.h"
#include "common/text_case.h"

namespace cuevoice {
namespace {

[[noreturn]] void trap(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::abort();
}

} // namespace

void fatal_error(std::string_view message, std::string_view detail) {
    trap("fatal: " + std::string(message) + (detail.empty() ? "" : ": ") + std::string(detail));
}

void app_log(std::string message) {
    trap("app_log called in the fuzz build: " + message);
}

std::string upper_case_first_character(std::string_view utf8) {
    trap("upper_case_first_character called in the fuzz build: " + std::string(utf8));
}

} // namespace cuevoice
