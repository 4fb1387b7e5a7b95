#include "common/threads.h"

#include <cstdio>
#include <system_error>
#include <thread>

#include <windows.h>

#include "common/fatal.h"
#include "common/module_function.h"
#include "common/text.h"

namespace cuevoice {
namespace {

// The name shows in debuggers; older systems without the call simply get no name.
void name_current_thread(const std::string& name) {
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    static auto set_description =
        module_function<SetDescription>(L"kernel32.dll", "SetThreadDescription");
    if (set_description != nullptr)
        set_description(GetCurrentThread(), to_wide(name).c_str());
}

} // namespace

void spawn_named(std::string name, std::string_view fatal_message, std::function<void()> body) {
    try {
        std::thread([name = std::move(name), body = std::move(body)] {
            name_current_thread(name);
            body();
        }).detach();
    } catch (const std::system_error& error) {
        fatal_error(fatal_message, error.what());
    }
}

void spawn_detached(std::function<void()> body) {
    try {
        std::thread(std::move(body)).detach();
    } catch (const std::system_error& error) {
        fatal_error("failed to spawn thread", error.what());
    }
}

} // namespace cuevoice
