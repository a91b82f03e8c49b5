// The two database files of the program folder and their schema.
#pragma once

#include <string>

#include "store/sqlite_db.h"

namespace talvesso {

inline constexpr const char* kShareDbFile = "share.dat";
inline constexpr const char* kShareFilesDbFile = "fshare.dat";

struct TLocalDatabases {
  TSqliteDb DB;              // "share.dat": ShareFolder, ServerConfig
  TSqliteDb DB_SHARE_FILES;  // "fshare.dat": ShareFiles (created, never filled)
};

enum class TOpenResult { Ok, EngineUnusable, CreationFailed };

// Opens both files in `folder` (which ends with a separator or not). The schema is created
// only for a file that did not exist before opening; an existing file is opened unchanged.
TOpenResult OpenLocalDatabases(const std::string& folder, TLocalDatabases& dbs);

}  // namespace talvesso
