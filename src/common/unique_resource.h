#pragma once
// The owner of one resource of any kind (a Win32 handle, a socket), without the headers of the
// kinds: each kind's traits live with its calls.
#include <utility>

namespace cuevoice {

// Owns one handle of the kind that Traits describes: its empty value, which values hold
// nothing, and the call that frees it.
template <typename Traits> class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() = default;
    explicit UniqueResource(Value value) : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    explicit operator bool() const { return Traits::holds(value_); }
    Value get() const { return value_; }

    // Gives the value up without freeing it.
    Value release() { return std::exchange(value_, Traits::empty()); }

    void reset(Value value = Traits::empty()) {
        Value old = std::exchange(value_, value);
        if (Traits::holds(old))
            Traits::free(old);
    }

    // Frees now and tells whether the system's call succeeded: for a file, a failed close may
    // mean that the last buffered data was not written. Nothing held counts as success.
    bool close() {
        Value old = release();
        return !Traits::holds(old) || Traits::free(old);
    }

    // For calls that hand a new handle out through a pointer: frees what is held first.
    Value* out() {
        reset();
        return &value_;
    }

private:
    Value value_ = Traits::empty();
};

} // namespace cuevoice
