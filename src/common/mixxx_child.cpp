#include "common/mixxx_child.h"

#include <windows.h>

#include "common/text.h"
#include "common/win_handle.h"

namespace cuevoice {

std::string MixxxStatus::text() const {
    switch (kind) {
    case Kind::running:
        return "running";
    case Kind::exited:
        return "exited with code " + std::to_string(exit_code);
    case Kind::unknown:
        break;
    }
    return "unknown (" + error + ")";
}

MixxxChild::MixxxChild(void* process, void* thread, std::uint32_t process_id)
    : process_(process), thread_(thread), process_id_(process_id) {}

MixxxChild::~MixxxChild() {
    // Both were taken over at the start; the header keeps windows.h to this file.
    UniqueHandle thread(thread_);
    UniqueHandle process(process_);
}

MixxxStatus MixxxChild::status() const {
    std::lock_guard lock(mutex_);
    MixxxStatus status;
    // The wait state, not the exit code, tells whether it ended: an exit code may well be 259.
    switch (WaitForSingleObject(process_, 0)) {
    case WAIT_TIMEOUT:
        return status;
    case WAIT_OBJECT_0: {
        DWORD code = 0;
        if (!GetExitCodeProcess(process_, &code))
            break;
        status.kind = MixxxStatus::Kind::exited;
        status.exit_code = code;
        return status;
    }
    default:
        break;
    }
    status.kind = MixxxStatus::Kind::unknown;
    status.error = system_message(GetLastError());
    return status;
}

} // namespace cuevoice
