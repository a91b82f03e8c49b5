#include "catalogue/folder_update.h"

namespace talvesso {

TFolderUpdate::TFolderUpdate(std::string programFolder, TSharedHttpClient& client, TServiceApi& api)
    : ProgramFolder_(std::move(programFolder)), Client_(client), Api_(api) {}

TFolderUpdate::~TFolderUpdate() {
  std::unique_ptr<TUpdateFolderThread> thread;
  {
    std::lock_guard lock(Mutex_);
    thread = std::move(UpdateThread_);
  }
  thread.reset();  // stops and joins, outside the lock
}

int TFolderUpdate::StartFolderUpdate(const TFolderList& folders, int32_t userPNo,
                                     TFolderUpdateObserver* observer,
                                     std::function<void()> onEnded) {
  std::lock_guard lock(Mutex_);
  if (UpdateThread_) return -1;  // the running update is not disturbed
  TCatalogueRunJob job;
  job.Folders = folders;
  job.ProgramFolder = ProgramFolder_;
  job.UserPNo = userPNo;
  job.Client = &Client_;
  job.Api = &Api_;
  job.Observer = observer;
  UpdateThread_ = std::make_unique<TUpdateFolderThread>(std::move(job), std::move(onEnded));
  UpdateThread_->Start();
  return 0;
}

TFolderUpdateOutcome TFolderUpdate::FinishFolderUpdate() {
  TUpdateFolderThread* thread = nullptr;
  {
    std::lock_guard lock(Mutex_);
    thread = UpdateThread_.get();
  }
  if (!thread) return {};
  // Joined outside the lock, so RequestStop can reach the worker meanwhile. Only this
  // (controlling) thread discards the update, so the pointer stays valid.
  TFolderUpdateOutcome outcome = thread->Wait();
  std::unique_ptr<TUpdateFolderThread> discarded;
  {
    std::lock_guard lock(Mutex_);
    discarded = std::move(UpdateThread_);
  }
  return outcome;
}

int TFolderUpdate::RunFolderUpdate(const TFolderList& folders, int32_t userPNo,
                                   TFolderUpdateObserver* observer, TFolderUpdateOutcome* outcome) {
  if (StartFolderUpdate(folders, userPNo, observer) == -1) return -1;
  TFolderUpdateOutcome finished = FinishFolderUpdate();
  const int result = finished.UpdateResult;
  if (outcome) *outcome = std::move(finished);
  return result;
}

void TFolderUpdate::RequestStop() {
  std::lock_guard lock(Mutex_);
  if (UpdateThread_) UpdateThread_->RequestStop();
}

bool TFolderUpdate::Running() const {
  std::lock_guard lock(Mutex_);
  return UpdateThread_ != nullptr;
}

}  // namespace talvesso
