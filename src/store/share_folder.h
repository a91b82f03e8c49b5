// A registered shared folder, and the same record as a catalogue entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace talvesso {

struct TShareFolderNodeData {
  int32_t PNo = 0;
  int32_t No = 0;
  int32_t ParentNo = 0;
  int32_t Type = 0;  // catalogue: 1 folder, 0 file
  int32_t Use = 0;   // 1 shared, 0 paused
  std::string Name;  // UTF-8
  std::string Path;  // UTF-8, as chosen in the folder dialog
  int64_t Size = 0;
  int32_t Adult = 0;
  int32_t Search = 0;
};

using TFolderList = std::vector<TShareFolderNodeData>;

}  // namespace talvesso
