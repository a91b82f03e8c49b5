// Helpers of the catalogue tests: reading "fshare.txt" back, and building odd folder trees.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace talvesso::test {

struct TCatalogueLine {
  int64_t No = 0;
  int64_t Parent = 0;
  int Type = 0;
  std::string Path;  // CP949, as in the file
  std::string Name;  // CP949
  int64_t Size = 0;
  int Adult = 0;
  int Use = 0;
  int Search = 0;
};

// Splits the text into lines (each must end in CR LF) of nine "||" fields; a malformed line
// fails the calling test.
std::vector<TCatalogueLine> ParseCatalogue(const std::string& text);

// The line with this number (nullptr when none).
const TCatalogueLine* LineNo(const std::vector<TCatalogueLine>& lines, int64_t no);
// Every line whose Name is `name` (CP949).
std::vector<const TCatalogueLine*> LinesNamed(const std::vector<TCatalogueLine>& lines,
                                              const std::string& name);

// Creates a file of `size` bytes without using disk space.
void MakeSparseFile(const std::filesystem::path& path, int64_t size);
// Creates `link` pointing to `target` (taken literally, may dangle).
void MakeSymlink(const std::string& target, const std::filesystem::path& link);

// The names in one folder in the order the system lists them ("." and ".." left out).
std::vector<std::string> ListingOrder(const std::filesystem::path& folder);

}  // namespace talvesso::test
