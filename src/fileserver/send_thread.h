// The sender of one download request: checks, registration with the backend, streaming in
// 32768-byte blocks with live progress, and the volume report at the end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "fileserver/peer_connection.h"
#include "fileserver/prSvrModule.h"
#include "fileserver/session_user.h"

namespace talvesso {

class TSendThread {
 public:
  TSendThread(TSvrModule& module, TSessionUser& session, const TSendRequest& request)
      : Module_(module), Session_(session), Request_(request) {}

  // Serves the request on the session's sender thread. Returns false when the connection
  // must be closed (backend refusal, a file that cannot be opened or read, a stop request).
  bool SendFile();

 private:
  struct TStreamResult {
    bool Aborted = false;
    bool WriteFailed = false;
  };
  TStreamResult Stream(int fd, int64_t size, uint32_t tick0, int64_t& position);
  TPeerConnection::TBlockResult ReadAndSendBlock(int fd, int64_t& offset, size_t& sent);
  void Notify(const TTransferRowView& view) { Module_.NotifyRowChanged(view); }

  TSvrModule& Module_;
  TSessionUser& Session_;
  const TSendRequest& Request_;
  std::unique_ptr<char[]> Buffer_;  // only for file systems without sendfile
};

// round(numerator / denominator), a half going to the even neighbour; denominator > 0.
int64_t DivideRoundHalfEven(int64_t numerator, int64_t denominator);

}  // namespace talvesso
