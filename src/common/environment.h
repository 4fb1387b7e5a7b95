#pragma once
// What the process learns from its environment: variables and the temporary folder.
#include <filesystem>
#include <optional>
#include <string>

namespace cuevoice {

// The value of an environment variable, or none when it is not set.
std::optional<std::wstring> environment_variable(const wchar_t* name);

// The system's temporary folder, where the program's folders go when their usual place is unset.
std::filesystem::path temp_folder();

} // namespace cuevoice
