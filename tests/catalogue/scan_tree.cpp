#include "scan_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <string_view>

namespace talvesso::test {

namespace {

int64_t Number(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(error == std::errc{} && end == text.data() + text.size()) << "not a number: " << text;
  return value;
}

}  // namespace

std::vector<TCatalogueLine> ParseCatalogue(const std::string& text) {
  std::vector<TCatalogueLine> lines;
  std::string_view rest(text);
  while (!rest.empty()) {
    const auto end = rest.find("\r\n");
    EXPECT_NE(end, std::string_view::npos) << "line without CR LF";
    if (end == std::string_view::npos) break;
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 2);
    EXPECT_EQ(line.find('\n'), std::string_view::npos);
    std::vector<std::string_view> fields;
    for (;;) {
      const auto separator = line.find("||");
      fields.push_back(line.substr(0, separator));
      if (separator == std::string_view::npos) break;
      line.remove_prefix(separator + 2);
    }
    EXPECT_EQ(fields.size(), 9u) << "fields in line " << lines.size() + 1;
    if (fields.size() != 9) continue;
    TCatalogueLine parsed;
    parsed.No = Number(fields[0]);
    parsed.Parent = Number(fields[1]);
    parsed.Type = static_cast<int>(Number(fields[2]));
    parsed.Path = fields[3];
    parsed.Name = fields[4];
    parsed.Size = Number(fields[5]);
    parsed.Adult = static_cast<int>(Number(fields[6]));
    parsed.Use = static_cast<int>(Number(fields[7]));
    parsed.Search = static_cast<int>(Number(fields[8]));
    lines.push_back(parsed);
  }
  return lines;
}

const TCatalogueLine* LineNo(const std::vector<TCatalogueLine>& lines, int64_t no) {
  for (const auto& line : lines)
    if (line.No == no) return &line;
  return nullptr;
}

std::vector<const TCatalogueLine*> LinesNamed(const std::vector<TCatalogueLine>& lines,
                                              const std::string& name) {
  std::vector<const TCatalogueLine*> found;
  for (const auto& line : lines)
    if (line.Name == name) found.push_back(&line);
  return found;
}

void MakeSparseFile(const std::filesystem::path& path, int64_t size) {
  std::filesystem::create_directories(path.parent_path());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(::ftruncate(fd, size), 0) << path;
  ::close(fd);
}

void MakeSymlink(const std::string& target, const std::filesystem::path& link) {
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << link;
}

std::vector<std::string> ListingOrder(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace talvesso::test
