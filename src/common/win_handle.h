#pragma once
// Win32 handles and COM objects that free themselves on every path out of a scope.
#include <utility>

#include <windows.h>
#include <objbase.h>

#include "common/unique_resource.h"

namespace cuevoice {

// Kernel handles. Some calls fail with null and others (CreateFileW) with
// INVALID_HANDLE_VALUE; neither is closed.
struct KernelHandleTraits {
    using Value = HANDLE;
    static Value empty() { return nullptr; }
    static bool holds(Value value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static bool free(Value value) { return CloseHandle(value) != 0; }
};

struct RegistryKeyTraits {
    using Value = HKEY;
    static Value empty() { return nullptr; }
    static bool holds(Value value) { return value != nullptr; }
    static bool free(Value value) { return RegCloseKey(value) == ERROR_SUCCESS; }
};

struct LibraryTraits {
    using Value = HMODULE;
    static Value empty() { return nullptr; }
    static bool holds(Value value) { return value != nullptr; }
    static bool free(Value value) { return FreeLibrary(value) != 0; }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueRegistryKey = UniqueResource<RegistryKeyTraits>;
using UniqueLibrary = UniqueResource<LibraryTraits>;

// The calling thread's COM apartment for as long as the guard lives. Every successful
// CoInitializeEx, S_FALSE ("already initialised") included, is matched by one CoUninitialize.
class ComApartment {
public:
    explicit ComApartment(DWORD model) : result_(CoInitializeEx(nullptr, model)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// Holds one reference to a COM object and releases it.
template <typename Interface> class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(Interface* object) : object_(object) {}
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.object_, nullptr));
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    explicit operator bool() const { return object_ != nullptr; }
    Interface* get() const { return object_; }
    Interface* operator->() const { return object_; }

    void reset(Interface* object = nullptr) {
        Interface* old = std::exchange(object_, object);
        if (old != nullptr)
            old->Release();
    }

private:
    Interface* object_ = nullptr;
};

} // namespace cuevoice
