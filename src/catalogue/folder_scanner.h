// The walk of the shared folders into a catalogue.
//
// Every registered folder that exists is walked, paused ones included (their lines carry Use 0).
// In each folder, in the order the system lists it (no sorting):
// - a real directory whose name does not start with "." is a folder entry and is entered;
// - everything else is a file entry and is not entered: a "."-folder (the hidden folder) and
//   a symbolic link to a folder with size 0, a symbolic link to a file with its target's size,
//   a regular file with its size, anything else with 0. Links are never followed into.
// A name the catalogue cannot carry (not valid UTF-8, not representable in CP949, or holding
// "|", CR or LF, which would break the line format) could never be asked for by a peer: the
// entry is left out, a folder with everything below it, and counted.
// A folder that cannot be listed keeps the entries found so far.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "store/share_folder.h"

namespace talvesso {

struct TScanCounters {
  int32_t FolderCount = 0;   // folder entries made
  int32_t FileCount = 0;     // file entries made
  int64_t TotalSize = 0;     // sum of the file entries' sizes
  int32_t LeftOutCount = 0;  // entries left out (a left-out folder counts once)
};

// A value snapshot for the progress window, taken when the walk enters a subfolder.
struct TScanProgress {
  std::string FolderName;  // UTF-8, the subfolder being entered
  TScanCounters Counters;
  uint32_t ElapsedMs = 0;
};

// The whole-tree size measured for a registered folder; matched back by PNo and Path.
struct TMeasuredFolderSize {
  int32_t PNo = 0;
  std::string Path;
  int64_t Size = 0;
};

struct TScanResult {
  TCatalogue Catalogue;
  // Registered folders walked to the end. A folder cut short by a stop is not measured.
  std::vector<TMeasuredFolderSize> MeasuredSizes;
  TScanCounters Counters;
  bool Stopped = false;
};

struct TScanOptions {
  const std::atomic<bool>* StopRequested = nullptr;  // checked before every directory entry
  // Called when the walk enters a subfolder, at most once per ProgressIntervalMs.
  std::function<void(const TScanProgress&)> OnProgress;
  uint32_t ProgressIntervalMs = 100;
  uint32_t StartTick = 0;  // TickCount32 when the run began
};

TScanResult ScanSharedFolders(const TFolderList& folders, const TScanOptions& options);

}  // namespace talvesso
