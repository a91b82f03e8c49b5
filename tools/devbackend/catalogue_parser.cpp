#include "catalogue_parser.h"

#include <charconv>

#include "common/cp949.h"

namespace talvesso::devbackend {

namespace {

std::optional<int64_t> Decimal(std::string_view text) {
  int64_t value = 0;
  if (text.empty()) return std::nullopt;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

std::optional<int> Switch(std::string_view text) {
  if (text == "0") return 0;
  if (text == "1") return 1;
  return std::nullopt;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    size_t sep = line.find("||", start);
    if (sep == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, sep - start));
    start = sep + 2;
  }
}

std::string ParseLine(std::string_view line, TCatalogueEntry& entry) {
  auto utf8 = Cp949ToUtf8(line);
  if (!utf8) return "not in the Korean code page";
  auto fields = SplitFields(*utf8);
  if (fields.size() < 9) return "fewer than nine fields";
  // Fields 1-4 from the left, 6-9 from the right; whatever lies between is the name.
  size_t n = fields.size();
  auto no = Decimal(fields[0]);
  auto parent = Decimal(fields[1]);
  auto type = Switch(fields[2]);
  auto size = Decimal(fields[n - 4]);
  auto adult = Switch(fields[n - 3]);
  auto use = Switch(fields[n - 2]);
  auto search = Switch(fields[n - 1]);
  if (!no || !parent || !type || !size || !adult || !use || !search) return "bad number or switch";
  entry.No = *no;
  entry.ParentNo = *parent;
  entry.Type = *type;
  entry.Path = std::string(fields[3]);
  entry.Name.clear();
  for (size_t i = 4; i < n - 4; ++i) {
    if (i > 4) entry.Name += "||";
    entry.Name += fields[i];
  }
  entry.Size = *size;
  entry.Adult = *adult;
  entry.Use = *use;
  entry.Search = *search;
  // Folder paths end in the separator of the sharing machine: "\\" on Windows, "/" elsewhere.
  if (entry.Type == 1 &&
      (entry.Path.empty() || (entry.Path.back() != '\\' && entry.Path.back() != '/')))
    return "folder path does not end in a separator";
  if (entry.Type == 0 && !entry.Path.empty()) return "file line with a path";
  return {};
}

}  // namespace

TCatalogueParse ParseCatalogue(std::string_view bytes) {
  TCatalogueParse result;
  size_t start = 0;
  int lineNo = 0;
  while (start < bytes.size()) {
    ++lineNo;
    size_t end = bytes.find("\r\n", start);
    if (end == std::string_view::npos) {
      result.Error = "line " + std::to_string(lineNo) + ": does not end in CR LF";
      return result;
    }
    TCatalogueEntry entry;
    std::string error = ParseLine(bytes.substr(start, end - start), entry);
    if (!error.empty()) {
      result.Error = "line " + std::to_string(lineNo) + ": " + error;
      return result;
    }
    result.Entries.push_back(std::move(entry));
    start = end + 2;
  }
  return result;
}

}  // namespace talvesso::devbackend
