// Another module's C++ code, as a DLL the program loads may hold: its function keeps an object
// with a destructor alive across its reads of the text it is given, so that its frame names the
// C++ runtime's personality routine as its exception handler. That routine never takes a
// hardware fault: the fatal path's tests hand the function a bad pointer.
#include <cstddef>

namespace {

volatile int destroyed = 0;

struct Counted {
    ~Counted() { destroyed = destroyed + 1; }
};

char read_at(const char* text, std::size_t at) {
    return text[at];
}

// Called through a pointer the compiler cannot see through: the call may throw, so the frame
// keeps its cleanup, and its personality routine, for the object above.
char (*volatile reader)(const char*, std::size_t) = read_at;

} // namespace

extern "C" __declspec(dllexport) std::size_t measured_length(const char* text) {
    Counted counted;
    std::size_t length = 0;
    while (reader(text, length) != '\0')
        ++length;
    return length;
}
