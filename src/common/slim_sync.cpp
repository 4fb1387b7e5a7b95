#include "common/slim_sync.h"

#include <windows.h>

namespace cuevoice {
namespace {

// Both are one pointer, zero when initialised, and only ever touched by the system's calls.
static_assert(sizeof(SRWLOCK) == sizeof(void*));
static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void*));

PSRWLOCK srw(void*& state) {
    return reinterpret_cast<PSRWLOCK>(&state);
}

PCONDITION_VARIABLE condition(void*& state) {
    return reinterpret_cast<PCONDITION_VARIABLE>(&state);
}

} // namespace

void SlimMutex::lock() {
    AcquireSRWLockExclusive(srw(state_));
}

void SlimMutex::unlock() {
    ReleaseSRWLockExclusive(srw(state_));
}

bool SlimMutex::try_lock() {
    return TryAcquireSRWLockExclusive(srw(state_)) != 0;
}

void SlimCondition::notify_one() {
    WakeConditionVariable(condition(state_));
}

void SlimCondition::notify_all() {
    WakeAllConditionVariable(condition(state_));
}

void SlimCondition::sleep(std::unique_lock<SlimMutex>& lock, unsigned long ms) {
    SleepConditionVariableSRW(condition(state_), srw(lock.mutex()->state_), ms, 0);
}

} // namespace cuevoice
