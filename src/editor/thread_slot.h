#pragma once
// One object per thread, owned by the window that runs on that thread. Handlers borrow it for
// their length; a message that arrives while it is borrowed (during a message box, say) finds
// it in use and leaves it alone, so the object is never touched twice at once.
#include <memory>
#include <utility>

namespace cuevoice {

template <typename T> class ThreadSlot {
public:
    static void put(std::unique_ptr<T> value) {
        delete slot_;
        slot_ = value.release();
    }
    static std::unique_ptr<T> take() { return std::unique_ptr<T>(std::exchange(slot_, nullptr)); }
    static bool filled() { return slot_ != nullptr; }

    // A borrow of this thread's object: empty when there is none or it is already borrowed.
    class Borrow {
    public:
        Borrow() {
            if (slot_ && !borrowed_) {
                borrowed_ = true;
                value_ = slot_;
            }
        }
        ~Borrow() {
            if (value_ != nullptr)
                borrowed_ = false;
        }
        Borrow(const Borrow&) = delete;
        Borrow& operator=(const Borrow&) = delete;

        explicit operator bool() const { return value_ != nullptr; }
        T* operator->() const { return value_; }
        T& operator*() const { return *value_; }

    private:
        T* value_ = nullptr;
    };

private:
    // Plain pointers, owned by hand: MinGW runs the destructors of thread_local objects after
    // the thread's storage is gone, so a unique_ptr here crashed the thread as it ended.
    static inline thread_local T* slot_ = nullptr;
    static inline thread_local bool borrowed_ = false;
};

} // namespace cuevoice
