#pragma once

#include "store/server_config.h"
#include "store/sqlite_db.h"

namespace talvesso {

// Reads the row PNo = 1 into `record` (which the caller has zeroed), inserting the row when
// it is missing; PopupClose is at least 2 afterwards. Statement errors are swallowed.
void LoadServerConfig(TSqliteDb& db, TServerConfig& record);

// Writes the eleven stored fields. Statement errors are swallowed.
void SaveServerConfig(TSqliteDb& db, const TServerConfig& record);

}  // namespace talvesso
