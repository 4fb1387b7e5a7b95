#pragma once
// A function of a DLL the process has loaded, looked up by its name.
#include <windows.h>

namespace cuevoice {

// `Function` is the function's pointer type. None when the DLL is not loaded or lacks the function
// (an older system, or Wine's copy of the DLL).
template <typename Function> Function module_function(const wchar_t* module, const char* name) {
    HMODULE loaded = GetModuleHandleW(module);
    return loaded != nullptr
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)))
               : nullptr;
}

} // namespace cuevoice
