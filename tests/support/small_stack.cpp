#include "small_stack.h"

#include <windows.h>

#include <malloc.h>

#include <stdexcept>

namespace cuevoice::test {
namespace {

struct Job {
    std::size_t bytes;
    const std::function<void()>* body;
};

__attribute__((noinline)) void run_body(const std::function<void()>& body) {
    body();
}

DWORD WINAPI thread_main(void* parameter) {
    const Job& job = *static_cast<Job*>(parameter);
    ULONG_PTR low = 0, high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    char here = 0;
    const auto top = reinterpret_cast<ULONG_PTR>(&here);
    if (top - low > job.bytes) {
        auto* filler = static_cast<volatile char*>(alloca(top - low - job.bytes));
        filler[0] = 0;
    }
    run_body(*job.body);
    return 0;
}

} // namespace

void run_with_small_stack(std::size_t bytes, const std::function<void()>& body) {
    Job job{bytes, &body};
    HANDLE thread =
        CreateThread(nullptr, bytes, thread_main, &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr)
        throw std::runtime_error("CreateThread failed");
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

} // namespace cuevoice::test
