// The ShareFolder rows of "share.dat". Statement errors are swallowed (LastStatementError()
// of the connection shows them to tests).
#pragma once

#include <string>

#include "store/share_folder.h"
#include "store/sqlite_db.h"

namespace talvesso {

// All rows in the order read, `No` numbered from 1. An error ends the read early; the rows
// read so far are returned.
TFolderList LoadFolderRows(TSqliteDb& db);
void InsertFolderRow(TSqliteDb& db, const TShareFolderNodeData& record);
void UpdateFolderRow(TSqliteDb& db, const TShareFolderNodeData& record);
void DeleteFolderRow(TSqliteDb& db, int32_t pno);

// How folder paths are spelled: separators, and whether letters compare without case.
enum class TPathStyle {
  Posix,    // "/" separates; exact comparison
  Windows,  // backslash and "/" separate; A-Z compare without case
};
#ifdef _WIN32
inline constexpr TPathStyle kNativePathStyle = TPathStyle::Windows;
#else
inline constexpr TPathStyle kNativePathStyle = TPathStyle::Posix;
#endif

// PNo of a registered folder (other than excludePNo) that `path` is or lies inside, compared
// as whole path components ("/srv/data2" is not inside "/srv/data"); -1 when none.
// Letters compare without case on Windows, exactly elsewhere. Repeated and trailing
// separators do not count; a registered root ("/", a drive root) holds every path below it, and a
// parent of a registered folder does not conflict with it. Registered rows with an empty
// Path are skipped.
int32_t FindPathConflict(const TFolderList& folders, int32_t excludePNo, const std::string& path);
int32_t FindPathConflict(const TFolderList& folders, int32_t excludePNo, const std::string& path,
                         TPathStyle style);

}  // namespace talvesso
