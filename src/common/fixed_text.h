#pragma once
// Text built in a buffer of fixed size, for the fatal path, which allocates nothing.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace cuevoice {

// Cut short when it is full: the fatal path may run inside the allocator's own failure or with its
// lock held.
template <std::size_t Capacity> class FixedText {
public:
    FixedText& operator<<(std::string_view text) {
        std::size_t room = Capacity - 1 - size_;
        std::size_t take = text.size() < room ? text.size() : room;
        std::memcpy(data_ + size_, text.data(), take);
        size_ += take;
        data_[size_] = '\0';
        return *this;
    }
    FixedText& operator<<(const char* text) {
        return *this << std::string_view(text != nullptr ? text : "");
    }
    // UTF-16 as UTF-8; what does not fit is left out.
    FixedText& operator<<(const wchar_t* text) {
        if (text == nullptr)
            return *this;
        int room = static_cast<int>(Capacity - 1 - size_);
        int written = room > 0 ? WideCharToMultiByte(CP_UTF8, 0, text, -1, data_ + size_, room,
                                                     nullptr, nullptr)
                               : 0;
        if (written > 0)
            size_ += static_cast<std::size_t>(written) - 1; // without its terminating zero
        else if (room > 0 && *text != L'\0')
            *this << "(text too long)";
        data_[size_] = '\0';
        return *this;
    }
    FixedText& decimal(std::uint64_t value) {
        char digits[24];
        std::size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0)
            *this << std::string_view(&digits[--count], 1);
        return *this;
    }
    // "0x" and at least `width` upper-case hex digits.
    FixedText& hex(std::uint64_t value, int width) {
        char digits[16];
        int count = 0;
        do {
            digits[count++] = "0123456789ABCDEF"[value & 0xF];
            value >>= 4;
        } while (value != 0);
        while (count < width)
            digits[count++] = '0';
        *this << "0x";
        while (count > 0)
            *this << std::string_view(&digits[--count], 1);
        return *this;
    }
    // Ends the text with a line end, in place of its last character when it is full.
    void end_line() {
        if (size_ == Capacity - 1)
            --size_;
        *this << "\n";
    }
    std::string_view view() const { return {data_, size_}; }
    const char* c_str() const { return data_; }

private:
    char data_[Capacity] = {};
    std::size_t size_ = 0;
};

} // namespace cuevoice
