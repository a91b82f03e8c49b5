// The texts of the main window, the start-up and the login, in one place.
#pragma once

namespace talvesso {

// Main window and start-up
inline constexpr const char* kMainCaption = "벨토마르 - P2P 서버  Build No. ";
inline constexpr const char* kTrayHint = "벨토마르 P2P 서버";
// The service's web domain in capitals followed by " P2P Server".
inline constexpr const char* kProductBanner = "VELTOMAR.CO.KR P2P Server";
inline constexpr const char* kDatabaseFailed = "데이터베이스 초기화에 실패했습니다!";
inline constexpr const char* kAutoLoginDone = "자동 로그인 되었습니다!";
inline constexpr const char* kAutoLoginFailed = "자동 로그인에 실패 하였습니다.";
inline constexpr const char* kCheckStoredLogin = "ID와 패스워드를 확인해주십시요!";
inline constexpr const char* kLoginRequired = "로그인 필요";
inline constexpr const char* kServerStarted = "서버: 시작됨";
inline constexpr const char* kServerStopped = "서버: 중지됨";

// Single instance
inline constexpr const char* kSecondCopyCaption = "실행오류";
inline constexpr const char* kSecondCopyText = "서버 프로그램은 한개만 실행할 수 있습니다!";

// Login, logout and points
inline constexpr const char* kNoticeLogin = "로그인";
inline constexpr const char* kLoggedIn = "로그인 되었습니다.";
inline constexpr const char* kNoConnection = "서버접속이 원할하지 못합니다!";
inline constexpr const char* kCheckIdPassword = "아이디 또는 패스워드를 확인해 주십시요!";
inline constexpr const char* kServerRunning = "현재 서버가 동작중입니다!";
inline constexpr const char* kStopFirst = "중지후 시도해 주십시요!";
inline constexpr const char* kLoggedOut = "로그아웃 되었습니다.";
inline constexpr const char* kLoginCaption = "벨토마르 로그인";
inline constexpr const char* kEnterId = "아이디를 입력해 주십시요!";
inline constexpr const char* kEnterPassword = "패스워드를 입력해 주십시요!";

}  // namespace talvesso
