// The fixed texts of the network check and the installer download: trace lines, protocol
// words and file names. Kept byte for byte in one place.
#pragma once

namespace talvesso::diag_text {

// Trace lines of the network check log.
inline constexpr const char* kPortChk = "Port Chk ";      // + port text
inline constexpr const char* kOpen = " Open";             // port text + this
inline constexpr const char* kOpenError = " Open Error";  // port text + this
inline constexpr const char* kSocketOpen = "Socket Open";
inline constexpr const char* kConnecting = "Connect.....";
inline constexpr const char* kServerConnect = "Server Connect";
inline constexpr const char* kServerDisconnect = "Server DisConnect";
inline constexpr const char* kIpTestStart = "IP Test .....";
inline constexpr const char* kClientAccepted = "Client 접속";
inline constexpr const char* kSpeedLinePrefix = "i = ";  // + rounds + "/" + figure

// Test server protocol.
inline constexpr const char* kSpeedRequest = "?Speed Test ";  // + exchange number
inline constexpr const char* kIpRequest = "?IP Test ";        // + port text as written
inline constexpr const char* kIpReplyOk = "!IP Test Ok";

// Files in the program folder.
inline constexpr const char* kCheckHostFile = "chk_addr.cfg";
inline constexpr const char* kInstallerFile = "server_setup.exe";

// Installer address: BaseUrl + this + build + kInstallerSuffix.
inline constexpr const char* kInstallerPrefix = "server_setup";
inline constexpr const char* kInstallerSuffix = ".zip";

}  // namespace talvesso::diag_text
