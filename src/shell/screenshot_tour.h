// A development aid: with TALVESSO_SCREENSHOTS=<folder> the program, once started, brings
// each panel and each window forward in turn, saves a picture of it into the folder and
// ends. TALVESSO_SCREENSHOT_LOGIN=<id>:<password> logs in first (silently) so the member's
// panels have content; TALVESSO_SCREENSHOT_FOLDERS=<folder> registers its subfolders. Used by scripts/screenshots.
#pragma once

#include <QString>

namespace talvesso {

class TServerProgram;

inline constexpr const char* kScreenshotEnv = "TALVESSO_SCREENSHOTS";
inline constexpr const char* kScreenshotLoginEnv = "TALVESSO_SCREENSHOT_LOGIN";
// Each subfolder of this folder is registered as a shared folder when none is.
inline constexpr const char* kScreenshotFoldersEnv = "TALVESSO_SCREENSHOT_FOLDERS";

// Starts the tour when the environment asks for it; false otherwise.
bool StartScreenshotTour(TServerProgram& program);

}  // namespace talvesso
