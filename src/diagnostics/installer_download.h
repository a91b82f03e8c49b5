// Fetching the installer of a newer build into the program folder.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace talvesso {

// BaseUrl + "server_setup" + build + ".zip" (the body is the installer program itself).
std::string InstallerUrl(const std::string& baseUrl, int build);
// ProgramFolder (ending with a separator) + "server_setup.exe".
std::string InstallerPath(const std::string& programFolder);

struct TDownloadLimits {
  std::chrono::milliseconds Connect{15000};
  std::chrono::milliseconds Stall{60000};  // no byte for this long ends the download
};

// Bytes so far and the announced size (0 when the server announced none). Called on the
// downloading thread whenever either changes.
using TDownloadProgressHandler = std::function<void(int64_t progress, int64_t total)>;

struct TDownloadResult {
  bool Ok = false;
  long HttpStatus = 0;  // 0 when no answer came
  std::string Error;    // why it failed, for a trace; empty on success
};

// GET `url` into `targetPath`, replacing an existing file only when the whole body of a 2xx
// answer has arrived: the body goes to a temporary file beside the target, renamed over it at
// the end and removed on any failure. `cancel` (optional) set from another thread aborts.
TDownloadResult DownloadToFile(const std::string& url, const std::string& targetPath,
                               const TDownloadProgressHandler& onProgress,
                               const std::atomic<bool>* cancel = nullptr,
                               const TDownloadLimits& limits = {});

// The installer of `build` from `baseUrl` into the program folder's "server_setup.exe".
TDownloadResult DownloadInstaller(const std::string& baseUrl, const std::string& programFolder,
                                  int build, const TDownloadProgressHandler& onProgress,
                                  const std::atomic<bool>* cancel = nullptr);

}  // namespace talvesso
