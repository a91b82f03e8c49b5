// The read loop of one connection: download requests in, rows and queued senders out.
#include "common/cp949.h"
#include "fileserver/prSvrModule.h"
#include "fileserver/request_number.h"
#include "fileserver/session_user.h"

namespace talvesso {

void TSvrModule::ListenerExecute(TSessionUser& session) {
  using TReadResult = TPeerConnection::TReadResult;
  TPeerConnection& connection = session.Connection();
  std::string line;
  auto readLine = [&] { return connection.ReadLine(line) == TReadResult::Line; };
  const TSessionUser::TServeFunction serve = [this, &session](const TSendRequest& request) {
    return Serve(session, request);
  };

  // The loop never writes to the peer; replies come from the connection's sender. A line that
  // is too long, a closed connection or a read error all end it.
  while (readLine()) {
    const std::string_view command = TrimControlBytes(line);
    if (command == protocol::kRequestStopDownloadFile) {
      // The running transfer stops after its current block and ends as cancelled (state 4)
      // with its volume report; the connection is then closed, since raw file bytes carry no
      // framing and the peer could not tell where they stopped.
      session.RequestStop();
      continue;
    }
    if (command != protocol::kRequestDownloadFile) continue;  // anything else is ignored

    ++session.RequestCount;
    // The row shows at once, in state 0; a request cut off before its last line stays so.
    auto row = StatusRecords().AddStatusRow();
    auto changed = [&](auto&& change) { NotifyRowChanged(row->ModifyAndView(change)); };

    if (!readLine()) return;
    session.PeerUserId = line;
    if (!readLine()) return;
    session.TransferUid = line;
    if (!readLine() || !readLine() || !readLine()) return;  // lines 3 to 5 carry nothing we use
    if (!readLine()) return;
    const int32_t filePNo = ParseRequestNumber32(line);
    if (!readLine()) return;
    session.FilePath = line;
    // Peers speak CP949; the list shows UTF-8.
    changed([&](TSendStatusNodeData& d) {
      d.FilePNo = filePNo;
      d.PeerUserId = Cp949ToUtf8Lossy(session.PeerUserId);
      d.TransferUid = Cp949ToUtf8Lossy(session.TransferUid);
      d.FilePath = Cp949ToUtf8Lossy(session.FilePath);
      d.State = kStateWaiting;
    });
    if (!readLine()) return;
    session.StartOffset = ParseRequestNumber64(line);
    changed([&](TSendStatusNodeData& d) { d.StartOffset = session.StartOffset; });

    TSendRequest request;
    request.Row = std::move(row);
    request.PeerUserId = session.PeerUserId;
    request.TransferUid = session.TransferUid;
    request.FilePath = session.FilePath;
    request.FilePNo = filePNo;
    request.StartOffset = session.StartOffset;
    // Served when the transfers before it on this connection have ended.
    session.QueueRequest(std::move(request), serve);
  }
}

}  // namespace talvesso
