// Reading an uploaded "fshare.txt": Korean code page, CR LF lines of nine "||" fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvesso::devbackend {

struct TCatalogueEntry {
  int64_t No = 0;
  int64_t ParentNo = 0;
  int Type = 0;      // 1 folder, 0 file
  std::string Path;  // UTF-8
  std::string Name;  // UTF-8
  int64_t Size = 0;
  int Adult = 0;
  int Use = 0;
  int Search = 0;
};

struct TCatalogueParse {
  std::vector<TCatalogueEntry> Entries;
  std::string Error;  // empty when the whole file was read; else what was wrong, and on which line
};

// Path and name come first and last four fields around the name, so a share name holding
// "||" is still read whole.
TCatalogueParse ParseCatalogue(std::string_view cp949Bytes);

}  // namespace talvesso::devbackend
