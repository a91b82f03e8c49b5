// One catalogue run: walk the shared folders, write "fshare.txt", upload it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/folder_scanner.h"
#include "catalogue/update_observer.h"
#include "store/share_folder.h"

namespace talvesso {

class TSharedHttpClient;
class TServiceApi;

// What a run hands back to its caller.
struct TFolderUpdateOutcome {
  int UpdateResult = 0;  // 200 accepted, 300 failed, 100 stopped during the walk, 0 no result
  // Sizes of the registered folders that were walked to the end; the caller writes them into
  // the live records that still exist (ApplyMeasuredSizes).
  std::vector<TMeasuredFolderSize> MeasuredSizes;
  TScanCounters Counters;         // the last counter values (LeftOutCount included)
  bool CatalogueWritten = false;  // a new "fshare.txt" replaced the old one
};

// Walk + write, without upload (also what the scan benchmark times). A stopped walk writes
// nothing. `catalogueFile` is the full path of "fshare.txt". After the walk, OnProgress gets
// one last report with an empty folder name (the final counters); `onWalkDone` runs between
// a complete walk and the write.
struct TCatalogueBuild {
  bool Stopped = false;
  bool Written = false;
  std::vector<TMeasuredFolderSize> MeasuredSizes;
  TScanCounters Counters;
};
TCatalogueBuild BuildCatalogueFile(const TFolderList& folders, const std::string& catalogueFile,
                                   const TScanOptions& options,
                                   const std::function<void()>& onWalkDone = {});

// What a run needs. The references must outlive the run.
struct TCatalogueRunJob {
  TFolderList Folders;        // a snapshot: changes to the live list cannot disturb the run
  std::string ProgramFolder;  // ends with a separator; "fshare.txt" goes here
  int32_t UserPNo = 0;
  TSharedHttpClient* Client = nullptr;
  TServiceApi* Api = nullptr;
  TFolderUpdateObserver* Observer = nullptr;  // may be null
};

// Stop requests for a running run, from any thread.
struct TCatalogueRunControl {
  std::atomic<bool> StopRequested{false};
};

// The whole run on the calling thread (the update's worker). Never throws.
TFolderUpdateOutcome BuildAndUploadCatalogue(const TCatalogueRunJob& job,
                                             TCatalogueRunControl& control);

// Writes the measured sizes into the records of `live` that are still the folders that were
// measured (same PNo and Path); records added, changed or removed meanwhile keep their state.
// Returns how many records got a size.
int ApplyMeasuredSizes(TFolderList& live, const std::vector<TMeasuredFolderSize>& sizes);

}  // namespace talvesso
