#include "nvda_standin.h"

#include <sstream>
#include <stdexcept>

#include "test_support.h"

namespace cuevoice::test {

NvdaStandin::NvdaStandin(const std::string& source, const std::filesystem::path& target) {
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(bin_folder() / source, target,
                               std::filesystem::copy_options::overwrite_existing);
    module_ = LoadLibraryW(target.c_str());
    if (module_ == nullptr)
        throw std::runtime_error("cannot load the NVDA stand-in");
}

NvdaStandin::~NvdaStandin() {
    if (module_ != nullptr)
        FreeLibrary(module_);
}

void NvdaStandin::set_running(bool on) {
    auto set = reinterpret_cast<void (*)(int)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "standin_set_running")));
    set(on ? 1 : 0);
}

int NvdaStandin::running_tests() {
    auto count = reinterpret_cast<int (*)()>(
        reinterpret_cast<void*>(GetProcAddress(module_, "standin_running_tests")));
    return count();
}

std::vector<std::string> NvdaStandin::calls() {
    auto take = reinterpret_cast<int (*)(char*, int)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "standin_take_calls")));
    std::string buffer(1 << 16, '\0');
    int length = take(buffer.data(), static_cast<int>(buffer.size()));
    buffer.resize(static_cast<std::size_t>(length));
    std::istringstream lines(buffer);
    for (std::string line; std::getline(lines, line);)
        seen_.push_back(line);
    return seen_;
}

} // namespace cuevoice::test
