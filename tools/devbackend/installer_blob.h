// A stand-in for the installer download: an empty zip archive whose comment names the build.
#pragma once

#include <string>

namespace talvesso::devbackend {

std::string MakeInstallerBlob(int build);

}  // namespace talvesso::devbackend
