// A notepad.exe that someone planted, for the tests of how the key editor starts Notepad. Copied
// as notepad.exe into a folder, it leaves "planted-notepad-ran.txt" with its command line beside
// itself and ends: a test that finds the file knows the planted program ran.
#include <windows.h>

#include <string>

int main() {
    wchar_t own[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    std::wstring marker(own, length);
    marker.erase(marker.find_last_of(L'\\') + 1);
    marker += L"planted-notepad-ran.txt";
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    // The command line in UTF-8, so a test can show it as it is.
    const wchar_t* command = GetCommandLineW();
    std::string text(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, command, -1, nullptr,
                                                                  0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, command, -1, text.data(), static_cast<int>(text.size()),
                        nullptr, nullptr);
    if (!text.empty())
        text.pop_back();
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
