#include "fileserver/send_thread.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

#include "common/cp949.h"
#include "common/file_size.h"
#include "common/tick.h"
#include "fileserver/protocol_words.h"

namespace talvesso {

namespace {

constexpr int64_t kPacketBytes = 1048576;  // one accounting "packet": a whole MiB
constexpr uint32_t kMinElapsedMs = 1000;   // speeds are measured over at least a second

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

int64_t DivideRoundHalfEven(int64_t numerator, int64_t denominator) {
  int64_t q = numerator / denominator;
  int64_t r = numerator % denominator;
  if (r < 0) {  // keep the remainder non-negative
    r += denominator;
    --q;
  }
  if (2 * r > denominator || (2 * r == denominator && (q & 1))) ++q;
  return q;
}

bool TSendThread::SendFile() {
  using namespace protocol;
  TTransferRow& row = *Request_.Row;
  TPeerConnection& connection = Session_.Connection();
  const int64_t startOffset = Request_.StartOffset;

  // 1. Checks; each refusal is one reply line and leaves the connection open.
  // Only regular files inside a shared folder in use exist for a peer; the path arrives in
  // CP949 and is opened in the file system's encoding.
  std::optional<std::string> path;
  if (auto utf8 = Cp949ToUtf8(Request_.FilePath)) path = Module_.Roots_.Resolve(*utf8);
  if (!path) {
    auto view = row.ModifyAndView([](TSendStatusNodeData& d) { d.State = kStateNoFile; });
    connection.SendLine(kFileNotExists);
    Notify(view);
    return true;
  }

  const TServerConfig settings = Module_.Settings_.Snapshot();
  // Refused only above the limit: the requesting connection itself counts.
  if (Module_.SessionCount() > settings.MaxConn) {
    auto view = row.ModifyAndView([](TSendStatusNodeData& d) { d.State = kStateTooMany; });
    connection.SendLine(kFileSendMaxConnect);
    Notify(view);
    return true;
  }

  const int64_t size = QueryFileSize(*path);
  if (size <= startOffset) {
    auto view = row.ModifyAndView([&](TSendStatusNodeData& d) {
      d.FileSize = size;
      d.State = size == startOffset ? kStateDuplicate : kStateBadOffset;
      d.Position = 0;
      d.StartOffset = 0;
      d.Speed = 0;
    });
    Notify(view);
    connection.SendLine(kFileSendComplete);
    connection.SendLine(std::to_string(size));
    return true;
  }

  // 2. Accepted.
  const uint32_t tick0 = TickCount32();
  int64_t position = startOffset;
  Notify(row.ModifyAndView([&](TSendStatusNodeData& d) {
    d.FileSize = size;
    d.State = kStateSending;
    d.Position = position;
  }));

  // 3. Register the download; one registration in flight at a time across all senders.
  int answer = 300;
  {
    std::lock_guard lock(Module_.RequestLock_);
    try {
      answer = Module_.Backend_.SetDownStart(Request_.FilePNo, settings.UserID, Request_.PeerUserId,
                                             Request_.TransferUid, startOffset != 0);
    } catch (...) {
      answer = 300;
    }
  }
  if (answer != 100) {
    const bool noPoints = answer == 200;
    auto view = row.ModifyAndView(
        [&](TSendStatusNodeData& d) { d.State = noPoints ? kStateNoPoints : kStateError; });
    connection.SendLine(noPoints ? kFileSendNotMoney : kFileSendError);
    Notify(view);
    return false;
  }

  // 4. Stream.
  TStreamResult result;
  const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
  const bool opened = fd >= 0;
  if (opened) {
    std::string header;
    header.append(kFileSend).append("\r\n");
    header.append(std::to_string(size)).append("\r\n");
    header.append(Request_.TransferUid).append("\r\n");
    header.append(std::to_string(settings.CostValue1)).append("\r\n");
    header.append(std::to_string(settings.CostValue2)).append("\r\n");
    connection.SetCork(true);
    connection.SendBytes(header.data(), header.size());  // a failed write shows at the data
    if (startOffset < 0)
      result.Aborted = true;  // the file cannot be positioned there
    else
      result = Stream(fd, size, tick0, position);
    connection.SetCork(false);
  } else {
    result.Aborted = true;
    connection.SendLine(kFileSendError);
  }

  // 5. Finish.
  int64_t sent = 0;
  int64_t rowStartOffset = 0;
  auto view = row.ModifyAndView([&](TSendStatusNodeData& d) {
    sent = d.Position - d.StartOffset;
    rowStartOffset = d.StartOffset;
    if (result.Aborted && result.WriteFailed) {
      d.State = kStateError;
    } else if (d.FileSize == d.Position) {
      d.State = kStateComplete;
      result.Aborted = false;  // every byte went out before the error
    } else {
      d.State = kStateCancelled;
    }
  });
  if (opened) ::close(fd);
  Notify(view);

  const int32_t packets = rowStartOffset == 0 ? ClampToInt32(sent / kPacketBytes) : -1;
  try {
    Module_.Backend_.SetCost(settings.UserID, Request_.PeerUserId, packets, Module_.LastServerBps(),
                             Request_.FilePNo, Request_.TransferUid);
  } catch (...) {
    // The report is not retried.
  }
  // After an error other than a failed write the peer cannot tell where the bytes ended;
  // after a failed write the connection is gone anyway.
  return !result.Aborted;
}

TSendThread::TStreamResult TSendThread::Stream(int fd, int64_t size, uint32_t tick0,
                                               int64_t& position) {
  using TBlockResult = TPeerConnection::TBlockResult;
  TPeerConnection& connection = Session_.Connection();
  TTransferRow& row = *Request_.Row;
  const int64_t startOffset = Request_.StartOffset;
  TStreamResult result;
  int64_t fileOffset = position;
  bool useSendfile = true;
  int blocksSinceRefresh = 0;

  for (;;) {
    if (Session_.StopRequested()) {
      result.Aborted = true;
      break;
    }
    size_t n = 0;
    TBlockResult block =
        useSendfile ? connection.SendFileBlock(fd, fileOffset, protocol::kSendBlockBytes, n)
                    : ReadAndSendBlock(fd, fileOffset, n);
    if (block == TBlockResult::Unsupported) {
      useSendfile = false;
      continue;
    }
    if (block == TBlockResult::EndOfFile) break;
    if (block == TBlockResult::ReadFailed) {
      result.Aborted = true;
      break;
    }
    if (block == TBlockResult::WriteFailed) {
      result.Aborted = result.WriteFailed = true;
      break;
    }

    position += static_cast<int64_t>(n);
    uint32_t elapsed = TickCount32() - tick0;  // unsigned: a wrap of the tick count is harmless
    if (elapsed < kMinElapsedMs) elapsed = kMinElapsedMs;
    const int32_t speed =
        ClampToInt32(DivideRoundHalfEven((position - startOffset) * 1000, elapsed));
    const int32_t remain =
        speed > 0 ? ClampToInt32(std::max<int64_t>(0, DivideRoundHalfEven(size - position, speed)))
                  : 0;
    row.Modify([&](TSendStatusNodeData& d) {
      d.Position = position;
      d.Speed = speed;
      d.RemainSec = remain;
    });
    Module_.SetSpeedSlot(Session_.Serial(), speed);
    if (blocksSinceRefresh == 0) {
      Module_.UpdateTransferSummary();
      Notify(row.View());
    }
    if (++blocksSinceRefresh >= protocol::kRefreshEveryBlocks) blocksSinceRefresh = 0;
  }
  return result;
}

TPeerConnection::TBlockResult TSendThread::ReadAndSendBlock(int fd, int64_t& offset, size_t& sent) {
  using TBlockResult = TPeerConnection::TBlockResult;
  sent = 0;
  if (!Buffer_) Buffer_ = std::make_unique<char[]>(protocol::kSendBlockBytes);
  ssize_t n;
  do {
    n = ::pread(fd, Buffer_.get(), protocol::kSendBlockBytes, static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  if (n < 0) return TBlockResult::ReadFailed;
  if (n == 0) return TBlockResult::EndOfFile;
  if (!Session_.Connection().SendBytes(Buffer_.get(), static_cast<size_t>(n)))
    return TBlockResult::WriteFailed;
  offset += n;
  sent = static_cast<size_t>(n);
  return TBlockResult::Sent;
}

}  // namespace talvesso
