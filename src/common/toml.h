#pragma once
// The TOML library, included from this one place by the files that parse or write TOML. Its
// settings (TOML 1.1 features, exceptions) are the project's compile definitions.
#include <toml++/toml.h>
