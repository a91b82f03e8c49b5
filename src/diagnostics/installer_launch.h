// Starting the downloaded installer, detached from this program (which ends right after).
#pragma once

#include <string>

namespace talvesso {

// Linux: marks the file executable and starts it in a session of its own, with no parameters
// and the file's folder as working folder; the program is not waited for. Windows: opens it
// through the shell. Returns true when the start was attempted: whether the installer works
// is not examined. false only when there is no such file.
bool StartInstaller(const std::string& path);

}  // namespace talvesso
