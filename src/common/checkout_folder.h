#pragma once
// The folder above the program folder on which the fallbacks for a development checkout are
// built (libraries and plug-ins of the checkout, found from the program in its build folder).
#include <filesystem>
#include <optional>

namespace cuevoice {

// The folder `levels` above the program folder; none when there are fewer folders above it, or
// when that folder is the root of a drive or of a share (C:\, C:, \, \\server\share, also behind
// \\?\, \\.\ or \??\, and the server above its shares, \\server): any user of the machine may
// create folders there, and what they put in them would run inside the program. None either for
// any other device path behind those prefixes (\\?\GLOBALROOT\Device\HarddiskVolume1\...), whose
// root is not told apart from its folders.
std::optional<std::filesystem::path> checkout_folder(const std::filesystem::path& program_folder,
                                                     int levels);

} // namespace cuevoice
