#include "installer_blob.h"

namespace talvesso::devbackend {

namespace {

void AppendLe(std::string& out, unsigned value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string MakeInstallerBlob(int build) {
  std::string comment = "Talvesso stand-in installer, build " + std::to_string(build);
  // End-of-central-directory record of an archive with no entries, then its comment.
  std::string blob = "PK\x05\x06";
  AppendLe(blob, 0, 2);  // this disk
  AppendLe(blob, 0, 2);  // disk with the central directory
  AppendLe(blob, 0, 2);  // entries on this disk
  AppendLe(blob, 0, 2);  // entries in total
  AppendLe(blob, 0, 4);  // size of the central directory
  AppendLe(blob, 0, 4);  // its offset
  AppendLe(blob, static_cast<unsigned>(comment.size()), 2);
  return blob + comment;
}

}  // namespace talvesso::devbackend
