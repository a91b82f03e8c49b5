#include "store/share_folder_store.h"

#include <string_view>
#include <vector>

namespace talvesso {

namespace {

constexpr const char* kSelectFolders = "Select * From ShareFolder";
constexpr const char* kInsertFolder =
    "Insert Into ShareFolder(Use,Name,Path,Size,Adult,Search) "
    "Values(:Use,:Name,:Path,:Size,:Adult,:Search)";
constexpr const char* kUpdateFolder =
    "Update ShareFolder Set Use=:Use,Name=:Name,Path=:Path,Size=:Size,Adult=:Adult,"
    "Search=:Search Where PNo=:PNo";
constexpr const char* kDeleteFolder = "Delete From ShareFolder Where PNo=:PNo";

void BindFolderFields(TSqliteStatement& statement, const TShareFolderNodeData& record) {
  statement.BindInt("Use", record.Use);
  statement.BindText("Name", record.Name);
  statement.BindText("Path", record.Path);
  statement.BindInt64("Size", record.Size);
  statement.BindInt("Adult", record.Adult);
  statement.BindInt("Search", record.Search);
}

bool IsSeparator(char c, TPathStyle style) {
  return c == '/' || (style == TPathStyle::Windows && c == '\\');
}

// The components of `path`. A path that starts at the root begins with an empty component,
// so "/srv" and "srv" differ; repeated and trailing separators add nothing.
std::vector<std::string_view> SplitPath(std::string_view path, TPathStyle style) {
  std::vector<std::string_view> parts;
  if (!path.empty() && IsSeparator(path.front(), style)) parts.emplace_back();
  size_t start = 0;
  while (start < path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end], style)) ++end;
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

char FoldAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool SameComponent(std::string_view a, std::string_view b, TPathStyle style) {
  if (a.size() != b.size()) return false;
  if (style == TPathStyle::Posix) return a == b;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAsciiLetter(a[i]) != FoldAsciiLetter(b[i])) return false;
  return true;
}

// true when `path` is `folder` or lies inside it.
bool IsSameOrInside(const std::vector<std::string_view>& folder,
                    const std::vector<std::string_view>& path, TPathStyle style) {
  if (folder.size() > path.size()) return false;
  for (size_t i = 0; i < folder.size(); ++i)
    if (!SameComponent(folder[i], path[i], style)) return false;
  return true;
}

}  // namespace

TFolderList LoadFolderRows(TSqliteDb& db) {
  TFolderList rows;
  TSqliteStatement select(db, kSelectFolders);
  while (select.Step()) {
    TShareFolderNodeData record;
    record.No = static_cast<int32_t>(rows.size()) + 1;
    record.PNo = select.Int("PNo");
    record.Use = select.Int("Use");
    record.Name = select.Text("Name");
    record.Path = select.Text("Path");
    record.Size = select.Int64("Size");
    record.Adult = select.Int("Adult");
    record.Search = select.Int("Search");
    rows.push_back(std::move(record));
  }
  return rows;
}

void InsertFolderRow(TSqliteDb& db, const TShareFolderNodeData& record) {
  TSqliteStatement insert(db, kInsertFolder);
  BindFolderFields(insert, record);
  insert.Step();
}

void UpdateFolderRow(TSqliteDb& db, const TShareFolderNodeData& record) {
  TSqliteStatement update(db, kUpdateFolder);
  BindFolderFields(update, record);
  update.BindInt("PNo", record.PNo);
  update.Step();
}

void DeleteFolderRow(TSqliteDb& db, int32_t pno) {
  TSqliteStatement remove(db, kDeleteFolder);
  remove.BindInt("PNo", pno);
  remove.Step();
}

int32_t FindPathConflict(const TFolderList& folders, int32_t excludePNo, const std::string& path) {
  return FindPathConflict(folders, excludePNo, path, kNativePathStyle);
}

int32_t FindPathConflict(const TFolderList& folders, int32_t excludePNo, const std::string& path,
                         TPathStyle style) {
  const auto wanted = SplitPath(path, style);
  for (const auto& folder : folders) {
    if (folder.PNo == excludePNo || folder.Path.empty()) continue;
    if (IsSameOrInside(SplitPath(folder.Path, style), wanted, style)) return folder.PNo;
  }
  return -1;
}

}  // namespace talvesso
