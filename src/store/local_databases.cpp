#include "store/local_databases.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace talvesso {

namespace {

// The declared types are part of the file format: files made by earlier installations carry
// exactly these, so they must not change.
constexpr const char* kShareSchema =
    "CREATE TABLE ShareFolder (PNo integer Primary Key AUTOINCREMENT, Name varchar(80), "
    "Path varchar(200), Size integer, Use integer, Adult integer, Search integer);"
    "CREATE INDEX idxShareFolder on ShareFolder (Name,Use,Adult,Search);"
    "CREATE TABLE ServerConfig (PNo integer, Name varchar(150), Port integer, MaxConn integer, "
    "AutoPort integer, AutoLogin integer, AutoShare integer, UserID varchar(10), "
    "UserPass varchar(15), SaveID integer, SavePass integer, PopupClose integer);";

constexpr const char* kShareFilesSchema =
    "CREATE TABLE ShareFiles (PNo integer Primary Key AUTOINCREMENT, ParentNo integer, "
    "Type integer, Name varchar(80), Path varchar(200), Size integer);"
    "CREATE INDEX idxShareFiles on ShareFiles (ParentNo,Type);";

std::string JoinPath(const std::string& folder, const char* file) {
  if (folder.empty() || folder.back() == '/') return folder + file;
  return folder + "/" + file;
}

std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(FsPath(path), error);
}

// "share.dat" holds the member's password in plain text, so only its owner may read it.
// A new file is made owner-only before the database engine writes a byte into it; an
// existing one loses any group and other bits it has.
bool CreateOwnerOnly(const std::string& path) {
  const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

void RestrictToOwner(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 077) != 0)
    ::chmod(path.c_str(), info.st_mode & 0700);  // best effort: the file may not be ours
}

enum class TFileResult { Ok, CreationFailed };

TFileResult OpenOne(const std::string& folder, const char* file, const char* schema, bool ownerOnly,
                    TSqliteDb& db) {
  const std::string path = JoinPath(folder, file);
  const bool existed = FileExists(path);  // decided before opening, which creates the file

  if (existed) {
    if (ownerOnly) RestrictToOwner(path);
    // An existing file is taken as it is: if it cannot be opened, or lacks its tables, the
    // statements on it fail later, one by one, and are ignored by their operations.
    db.Open(path);
    return TFileResult::Ok;
  }

  if (ownerOnly && !CreateOwnerOnly(path)) return TFileResult::CreationFailed;
  if (!db.Open(path)) {
    std::error_code ignored;
    std::filesystem::remove(FsPath(path), ignored);
    return TFileResult::CreationFailed;
  }
  if (!db.Execute(std::string("BEGIN;") + schema + "COMMIT;")) {
    const std::string error = db.Error();
    db.Execute("ROLLBACK;");
    db.Close();
    // Left in place, the empty file would count as existing at the next start and never
    // receive its tables; removed, the next start creates it again.
    std::error_code ignored;
    std::filesystem::remove(FsPath(path), ignored);
    std::filesystem::remove(FsPath(path + "-journal"), ignored);
    return TFileResult::CreationFailed;
  }
  return TFileResult::Ok;
}

}  // namespace

TOpenResult OpenLocalDatabases(const std::string& folder, TLocalDatabases& dbs) {
  if (sqlite3_initialize() != SQLITE_OK) return TOpenResult::EngineUnusable;
  if (OpenOne(folder, kShareDbFile, kShareSchema, true, dbs.DB) != TFileResult::Ok)
    return TOpenResult::CreationFailed;
  if (OpenOne(folder, kShareFilesDbFile, kShareFilesSchema, false, dbs.DB_SHARE_FILES) !=
      TFileResult::Ok)
    return TOpenResult::CreationFailed;
  return TOpenResult::Ok;
}

}  // namespace talvesso
