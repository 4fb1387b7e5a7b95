// What entering a callback boundary costs: the same small body called plainly and through
// callback_boundary, ten million times a round, in nanoseconds a call. Reports, never fails.
//
//   wine build/bin/boundary_bench.exe [rounds, default 5]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "common/callback_boundary.h"
#include "common/fatal.h"

namespace {

volatile int sink = 0;

// Out of the optimizer's sight, so that both loops call it.
__attribute__((noipa)) int body_of(int i) {
    return i + sink;
}

template <typename Loop> double nanoseconds_a_call(int calls, Loop&& loop) {
    const auto start = std::chrono::steady_clock::now();
    loop();
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    return took.count() / calls;
}

} // namespace

int main(int argc, char** argv) {
    cuevoice::install_fatal_handlers();
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    constexpr int calls = 10'000'000;
    std::printf("ns a call     plain  through the boundary\n");
    for (int round = 1; round <= rounds; ++round) {
        double plain = nanoseconds_a_call(calls, [] {
            for (int i = 0; i < calls; ++i)
                sink = body_of(i);
        });
        double bounded = nanoseconds_a_call(calls, [] {
            for (int i = 0; i < calls; ++i)
                sink = cuevoice::callback_boundary([i] { return body_of(i); });
        });
        std::printf("round %d  %10.1f  %10.1f\n", round, plain, bounded);
    }
    return 0;
}
