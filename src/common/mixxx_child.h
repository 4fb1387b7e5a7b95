#pragma once
// The started Mixxx process, shared by the run, the bridge's connect loop and the exit watcher.
// Holders lock it only for a question that never waits; the program never ends the process.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace cuevoice {

struct MixxxStatus {
    enum class Kind { running, exited, unknown };
    Kind kind = Kind::running;
    unsigned long exit_code = 0; // when exited
    std::string error;           // when the question failed

    // "running", "exited with code N" or "unknown (...)", for the log.
    std::string text() const;
};

class MixxxChild {
public:
    // Takes over the process and thread handles (HANDLE values; the thread handle may be
    // null); both are closed when the record goes.
    MixxxChild(void* process, void* thread, std::uint32_t process_id);
    ~MixxxChild();
    MixxxChild(const MixxxChild&) = delete;
    MixxxChild& operator=(const MixxxChild&) = delete;

    // Whether the process has exited, asked without waiting.
    MixxxStatus status() const;

    std::uint32_t process_id() const { return process_id_; }

private:
    mutable std::mutex mutex_;
    void* process_;
    void* thread_;
    std::uint32_t process_id_;
};

using SharedMixxxChild = std::shared_ptr<MixxxChild>;

// A status that ends the waiting for Mixxx: it has exited, or nobody can tell.
inline bool mixxx_gone(const MixxxStatus& status) {
    return status.kind != MixxxStatus::Kind::running;
}

} // namespace cuevoice
