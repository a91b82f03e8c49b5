// The process-wide state that the windows share. main() creates it once and hands it to the
// windows; there is no global.
#pragma once

#include <cstdint>
#include <string>

#include "store/local_databases.h"
#include "store/server_config.h"
#include "store/share_folder.h"

namespace talvesso {

struct TAppState {
  std::string ProgramFolder;  // ends with a separator
  std::string BaseUrl;        // backend base address; endpoint names are appended
  TSettings Settings;         // the settings record
  TLocalDatabases Databases;  // "share.dat" and "fshare.dat"
  TFolderList FolderList;     // the registered folders as last loaded (UI thread only)
  bool LoggedIn = false;      // UI thread only
  bool ShareStarted = false;  // UI thread only
  uint32_t ShareStartTime = 0;
  bool AutoUpdating = false;
};

}  // namespace talvesso
