// How a folder update reports its progress. Called on the update's worker thread, never while
// the update holds a lock; the desktop layer posts each call to the UI thread. Scan and upload
// progress come at most every few tenths of a second, never per file.
#pragma once

#include <cstdint>

#include "catalogue/folder_scanner.h"
#include "catalogue/update_texts.h"

namespace talvesso {

class TFolderUpdateObserver {
 public:
  virtual ~TFolderUpdateObserver() = default;
  // A phase with fixed texts (UpdatePhaseTexts): WalkBegins, WalkDone, UploadBegins and
  // TransferFinished (the end of sending and again the end of receiving).
  virtual void OnPhase(TUpdatePhase phase) {}
  // The walk enters a subfolder: its name and the counters (folders, files, total size,
  // left-out entries) and the elapsed time. After the walk, one last report with an empty
  // FolderName brings the counters to their final values; the name line keeps its text.
  virtual void OnScanProgress(const TScanProgress& progress) {}
  // Bytes moved so far in the current direction against the catalogue file's size (the
  // request's own framing and, afterwards, the answer make the count run past it).
  virtual void OnUploadProgress(int64_t bytesMoved, int64_t fileSize) {}
};

}  // namespace talvesso
