// One transfer row: the record behind a line of the transfer list, its state codes, texts and
// colours.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace talvesso {

// State codes of a transfer row.
inline constexpr int32_t kStateWaiting = 0;    // received, not yet examined (or cut off)
inline constexpr int32_t kStateNoFile = 1;     // no file at the requested path
inline constexpr int32_t kStateBadOffset = 2;  // offset beyond the end of the file
inline constexpr int32_t kStateSending = 3;    // accepted: registering or streaming
inline constexpr int32_t kStateCancelled = 4;  // ended before the last byte
inline constexpr int32_t kStateError = 6;      // backend refused, or the peer went away
inline constexpr int32_t kStateDuplicate = 7;  // the peer already has the whole file
inline constexpr int32_t kStateNoPoints = 8;   // backend refused: not enough points
inline constexpr int32_t kStateTooMany = 9;    // too many open connections
inline constexpr int32_t kStateComplete = 10;  // every byte sent

// Text shown for a state code (UTF-8); empty for a code without a text.
const char* StateText(int32_t code);
// Row background for a state code, 0xRRGGBB; white for codes without a colour of their own.
uint32_t StateColour(int32_t code);

// The fields of one row. Texts are UTF-8 for display; what goes back to the peer or the
// backend is kept as received by the sender, not here.
struct TSendStatusNodeData {
  int32_t FilePNo = 0;
  std::string TransferUid;
  std::string PeerUserId;
  int32_t State = kStateWaiting;
  std::string FilePath;
  int64_t FileSize = 0;
  int64_t Position = 0;  // start offset plus bytes sent
  int64_t StartOffset = 0;
  int32_t Speed = 0;  // bytes per second
  int32_t RemainSec = 0;
};

// A row as handed to observers and the display: its identity and a copy of its fields.
struct TTransferRowView {
  uint64_t Id = 0;
  TSendStatusNodeData Data;
};

// One row, shared by the store, the read loop and the sender. Every access goes through the
// row's lock, so a reader never sees half of a 64-bit update.
class TTransferRow {
 public:
  explicit TTransferRow(uint64_t id) : Id_(id) {}
  TTransferRow(const TTransferRow&) = delete;
  TTransferRow& operator=(const TTransferRow&) = delete;

  uint64_t Id() const { return Id_; }

  TTransferRowView View() const {
    std::lock_guard lock(Mutex_);
    return {Id_, Data_};
  }
  int32_t State() const {
    std::lock_guard lock(Mutex_);
    return Data_.State;
  }
  // Changes fields in place; no copy is made (used on the data path).
  template <typename F>
  void Modify(F&& change) {
    std::lock_guard lock(Mutex_);
    change(Data_);
  }
  // Changes fields and returns the resulting view in the same step.
  template <typename F>
  TTransferRowView ModifyAndView(F&& change) {
    std::lock_guard lock(Mutex_);
    change(Data_);
    return {Id_, Data_};
  }

 private:
  const uint64_t Id_;
  mutable std::mutex Mutex_;
  TSendStatusNodeData Data_;
};

}  // namespace talvesso
