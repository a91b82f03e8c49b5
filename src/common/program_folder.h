// Where the program keeps its files, and which backend it talks to.
#pragma once

#include <QString>
#include <string>

namespace talvesso {

// Development and test knob: when set, this folder is the program folder.
inline constexpr const char* kProgramFolderEnv = "TALVESSO_PROGRAM_FOLDER";
inline constexpr const char* kBackendAddressFile = "svr_addr.cfg";

// The executable's folder when it is writable (portable use), else $XDG_DATA_HOME/talvesso/
// (created). Always ends with a separator.
QString ResolveProgramFolder();

// The trimmed text of "svr_addr.cfg" in `folder` (an empty file gives an empty address), or
// the built-in address when the file does not exist.
std::string ReadBaseUrl(const QString& folder);

// Blanks, control characters and line breaks at both ends removed.
std::string TrimBlanks(const std::string& text);

}  // namespace talvesso
