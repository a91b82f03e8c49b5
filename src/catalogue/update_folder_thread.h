// The worker of one folder update: runs BuildAndUploadCatalogue on a thread of its own, so
// the UI thread only waits (in its event loop) and stays responsive.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "catalogue/catalogue_run.h"

namespace talvesso {

class TUpdateFolderThread {
 public:
  // `onEnded` runs on the worker once the outcome is set (the UI posts an event from it).
  TUpdateFolderThread(TCatalogueRunJob job, std::function<void()> onEnded);
  ~TUpdateFolderThread();  // asks the run to stop and waits for it
  TUpdateFolderThread(const TUpdateFolderThread&) = delete;
  TUpdateFolderThread& operator=(const TUpdateFolderThread&) = delete;

  void Start();
  bool Ended() const { return Ended_.load(); }
  // Waits for the worker to finish and returns the run's outcome.
  TFolderUpdateOutcome Wait();
  // The stop button: the walk ends at its next directory entry, an upload is cut off.
  void RequestStop();

 private:
  void Body();

  TCatalogueRunJob Job_;
  std::function<void()> OnEnded_;
  TCatalogueRunControl Control_;
  TFolderUpdateOutcome Outcome_;  // written by the worker before Ended_, read after the join
  std::atomic<bool> Ended_{false};
  std::thread Thread_;
};

}  // namespace talvesso
