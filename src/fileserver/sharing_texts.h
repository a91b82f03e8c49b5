// What the sharing command says to the member, byte for byte, in one place.
#pragma once

namespace talvesso::sharing_text {

// Caption of the plain message boxes and the stop question.
inline constexpr const char* kCaption = "벨토마르 P2P 서버";
// Caption of an error that stopped the network check (its window's title).
inline constexpr const char* kCheckCaption = "TCP 확인";

// Refusals of the network pre-check.
inline constexpr const char* kLineTooSlow =
    "인터넷속도가 느려서 공유할수가없습니다. 다음에 이용해주십시요";
inline constexpr const char* kCheckPortSuffix = " Port를 확인해주세요";  // after the port text
inline constexpr const char* kUnreachable =
    "방화벽 또는 공유기로인해 접근이 불가능합니다. 확인해주세요";

inline constexpr const char* kNameOrPortMissing = "서버명 또는 포트번호는 반드시 설정해야 합니다.";
inline constexpr const char* kPortMoved = "포트번호가 충돌하여 재설정하였습니다!";

inline constexpr const char* kStartTitle = "서버시작";
inline constexpr const char* kStartFailed = "서버시작에 실패했습니다!";
inline constexpr const char* kStartFailedHint = "설정을 확인하신후 다시 시도해 주시기 바랍니다.";
inline constexpr const char* kStarted = "서버가 정상적으로 시작 되었습니다!";

inline constexpr const char* kStopTitle = "서버중지";
inline constexpr const char* kAskStop =
    "현재 서버가 동작중입니다. 중지 하시겠습니까?\r\n\r\n[주의]접속중인 모든 연결이 차단됩니다.";
inline constexpr const char* kStopped = "서버가 중지 되었습니다!";
inline constexpr const char* kStopFailed = "서버중지에 실패했습니다!";

// Status panel 1: this prefix and the share clock.
inline constexpr const char* kShareClockPrefix = "공유시간: ";

}  // namespace talvesso::sharing_text
