// The folder update command's core: at most one update exists at a time.
//
//   TFolderUpdate updates(programFolder, httpClient, api);
//   // UI: start, wait in the event loop until onEnded posts, then collect.
//   if (updates.StartFolderUpdate(state.FolderList, userPNo, &observer, postQuit) == -1) warn;
//   loop.exec();
//   TFolderUpdateOutcome outcome = updates.FinishFolderUpdate();
//   ApplyMeasuredSizes(state.FolderList, outcome.MeasuredSizes);
//
// Start, Finish and Run are called from one controlling thread (the UI thread); RequestStop
// and Running from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "catalogue/catalogue_run.h"
#include "catalogue/update_folder_thread.h"

namespace talvesso {

class TFolderUpdate {
 public:
  // `programFolder` ends with a separator. The client and the API must outlive this object.
  TFolderUpdate(std::string programFolder, TSharedHttpClient& client, TServiceApi& api);
  ~TFolderUpdate();  // stops a running update and waits for it
  TFolderUpdate(const TFolderUpdate&) = delete;
  TFolderUpdate& operator=(const TFolderUpdate&) = delete;

  // Starts an update of a snapshot of `folders` on its own worker. Returns -1 at once, and
  // changes nothing, when an update already exists (until FinishFolderUpdate has collected
  // it); otherwise 0. `observer` (may be null) must live until the update is collected.
  // `onEnded` runs on the worker when the outcome is ready.
  int StartFolderUpdate(const TFolderList& folders, int32_t userPNo,
                        TFolderUpdateObserver* observer, std::function<void()> onEnded = {});

  // Waits for the running update to end, discards it and returns its outcome (UpdateResult
  // 0 when none was running).
  TFolderUpdateOutcome FinishFolderUpdate();

  // Start and finish in one blocking call: 200, 300, 100, 0, or -1 when one already runs.
  int RunFolderUpdate(const TFolderList& folders, int32_t userPNo,
                      TFolderUpdateObserver* observer = nullptr,
                      TFolderUpdateOutcome* outcome = nullptr);

  // The stop button. Does nothing when no update exists.
  void RequestStop();
  bool Running() const;

 private:
  const std::string ProgramFolder_;
  TSharedHttpClient& Client_;
  TServiceApi& Api_;
  mutable std::mutex Mutex_;
  std::unique_ptr<TUpdateFolderThread> UpdateThread_;  // guarded by Mutex_
};

}  // namespace talvesso
