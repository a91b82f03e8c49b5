#include "catalogue/update_folder_thread.h"

#include "webclient/service_post.h"

namespace talvesso {

TUpdateFolderThread::TUpdateFolderThread(TCatalogueRunJob job, std::function<void()> onEnded)
    : Job_(std::move(job)), OnEnded_(std::move(onEnded)) {}

TUpdateFolderThread::~TUpdateFolderThread() {
  if (Thread_.joinable()) {
    RequestStop();
    Thread_.join();
  }
}

void TUpdateFolderThread::Start() {
  Thread_ = std::thread([this] { Body(); });
}

void TUpdateFolderThread::Body() {
  Outcome_ = BuildAndUploadCatalogue(Job_, Control_);  // never throws
  Ended_.store(true);
  if (OnEnded_) {
    try {
      OnEnded_();
    } catch (...) {
      // the caller's notification must not take the process down
    }
  }
}

TFolderUpdateOutcome TUpdateFolderThread::Wait() {
  if (Thread_.joinable()) Thread_.join();
  return Outcome_;
}

void TUpdateFolderThread::RequestStop() {
  Control_.StopRequested.store(true);
  // Cuts off an upload under way; the run itself checks the flag around the upload, so a
  // stop that comes just before the request starts is not lost either.
  if (Job_.Client) Job_.Client->Cancel();
}

}  // namespace talvesso
