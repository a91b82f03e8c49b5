// The words of the peer download protocol, byte for byte as peers expect them.
#pragma once

#include <cstddef>

namespace talvesso::protocol {

inline constexpr const char* kRequestDownloadFile = "REQUEST_DOWNLOAD_FILE";
inline constexpr const char* kRequestStopDownloadFile = "REQUEST_STOP_DOWNLOAD_FILE";

inline constexpr const char* kFileNotExists = "FILE_NOT_EXISTS";
inline constexpr const char* kFileSendMaxConnect = "FILE_SEND_MAX_CONNECT";
inline constexpr const char* kFileSendComplete = "FILE_SEND_COMPLETE";
inline constexpr const char* kFileSendNotMoney = "FILE_SEND_NOT_MONEY";
inline constexpr const char* kFileSendError = "FILE_SEND_ERROR";
inline constexpr const char* kFileSend = "FILE_SEND";

// Lines from a peer end at LF; at most this many bytes may come before it (a CR included).
inline constexpr std::size_t kMaxLineBytes = 16384;
// File bytes go out in blocks of this size.
inline constexpr std::size_t kSendBlockBytes = 32768;
// The row and the status summary are refreshed on the first block and then every 41st.
inline constexpr int kRefreshEveryBlocks = 41;
// Pending connections the listener queues.
inline constexpr int kListenBacklog = 15;
// Cells of the per-session speed table.
inline constexpr int kSpeedSlotCount = 120;

}  // namespace talvesso::protocol
