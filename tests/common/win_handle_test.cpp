#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "common/win_handle.h"

using namespace cuevoice;

namespace {

bool handle_is_open(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

} // namespace

TEST(ScopedHandles, AHandleIsClosedOnceByItsLastOwner) {
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(raw, nullptr);
    {
        UniqueHandle first(raw);
        UniqueHandle second(std::move(first));
        EXPECT_FALSE(first);
        first = std::move(second);
        EXPECT_TRUE(first);
        EXPECT_TRUE(handle_is_open(raw));
    }
    EXPECT_FALSE(handle_is_open(raw));

    HANDLE other = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    UniqueHandle held(other);
    EXPECT_TRUE(held.close());
    EXPECT_FALSE(handle_is_open(other));
    EXPECT_TRUE(held.close()) << "nothing held is nothing to fail";

    // The failure value of CreateFileW is held as nothing, never closed.
    UniqueHandle failed(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(failed);
}

TEST(ScopedHandles, ARegistryKeyIsClosedWhenItsOwnerGoes) {
    HKEY raw = nullptr;
    {
        UniqueRegistryKey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.out()),
                  ERROR_SUCCESS);
        raw = key.get();
        DWORD count = 0;
        EXPECT_EQ(RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
    }
    DWORD count = 0;
    EXPECT_NE(RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}

TEST(ScopedHandles, AThreadLeavesItsComApartmentWithTheGuard) {
    // Still inside the multi-threaded apartment, a thread cannot enter a single-threaded one;
    // once the guard has gone it can.
    HRESULT inside = S_OK, after = E_FAIL;
    std::thread worker([&] {
        {
            ComApartment apartment(COINIT_MULTITHREADED);
            EXPECT_TRUE(SUCCEEDED(apartment.result()));
            inside = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        }
        after = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(after))
            CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(inside, RPC_E_CHANGED_MODE);
    EXPECT_EQ(after, S_OK);
}
