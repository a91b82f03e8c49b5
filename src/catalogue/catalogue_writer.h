// "fshare.txt": one line per entry, CP949, CR LF after every line; all folder lines in walk
// order, then all file lines in walk order; nine fields joined by "||":
//   No||ParentNo||Type||Path||Name||Size||Adult||Use||Search
// No is the entry's position among all entries; a file line leaves Path empty. A parent number
// is found through a table from folder path text to the latest folder line with that path, so
// with nested shares the files name the later of two folder lines for the same folder.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

namespace talvesso {

inline constexpr const char* kCatalogueFileName = "fshare.txt";

// Hands the text to `sink` in pieces (about a mebibyte each); stops and returns false as
// soon as the sink does.
bool WriteCatalogueText(const TCatalogue& catalogue,
                        const std::function<bool(std::string_view)>& sink);

// The whole text at once (tests, small catalogues).
std::string CatalogueText(const TCatalogue& catalogue);

// Writes `filePath` through a temporary file beside it that is renamed over the old one, so
// the old file stays whole until the new one is complete. false when it could not be written;
// the old file is then untouched.
bool WriteCatalogueFile(const TCatalogue& catalogue, const std::string& filePath);

}  // namespace talvesso
