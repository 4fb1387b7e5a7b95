#pragma once
// What a running process holds, read from outside through its process id: handles, private
// bytes, threads, GDI and USER objects. Each figure says where it came from, because Wine leaves
// some of the usual calls unimplemented and another source stands in for them there.
#include <windows.h>

#include <optional>
#include <string>

namespace cuevoice::bench {

struct Figure {
    // None when no source could give it.
    std::optional<unsigned long long> value;
    // The call or table it was read from, or why it could not be read.
    std::string source;
};

struct ProcessFigures {
    Figure handles;
    Figure private_bytes;
    Figure threads;
    Figure gdi_objects;
    Figure user_objects;
};

ProcessFigures read_process_figures(DWORD pid);

} // namespace cuevoice::bench
