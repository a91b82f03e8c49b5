#include "diagnostics/installer_download.h"

#include <curl/curl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "diagnostics/diagnostics_texts.h"

namespace talvesso {

namespace {

void EnsureCurlReady() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TCurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

struct TFileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// The body's bytes on their way to the temporary file, and the reports to the observer.
struct TTransfer {
  FILE* File = nullptr;
  int64_t Written = 0;
  bool WriteFailed = false;
  const TDownloadProgressHandler* OnProgress = nullptr;
  const std::atomic<bool>* Cancel = nullptr;
  int64_t LastProgress = -1;
  int64_t LastTotal = -1;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<TTransfer*>(user);
  const size_t bytes = size * count;
  if (std::fwrite(data, 1, bytes, transfer->File) != bytes) {
    transfer->WriteFailed = true;
    return 0;  // makes libcurl stop with a write error
  }
  transfer->Written += static_cast<int64_t>(bytes);
  return bytes;
}

int ReportProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<TTransfer*>(user);
  if (transfer->Cancel && transfer->Cancel->load()) return 1;  // aborts the transfer
  if (now != transfer->LastProgress || total != transfer->LastTotal) {
    transfer->LastProgress = now;
    transfer->LastTotal = total;
    if (*transfer->OnProgress) (*transfer->OnProgress)(now, total);
  }
  return 0;
}

// A unique temporary file beside `targetPath`, open for writing.
FILE* CreateTemporary(const std::string& targetPath, std::string* tempPath) {
  std::string pattern = targetPath + ".part-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return nullptr;
  FILE* file = fdopen(fd, "wb");
  if (!file) {
    close(fd);
    unlink(name.data());
    return nullptr;
  }
  *tempPath = name.data();
  return file;
}

}  // namespace

std::string InstallerUrl(const std::string& baseUrl, int build) {
  return baseUrl + diag_text::kInstallerPrefix + std::to_string(build) +
         diag_text::kInstallerSuffix;
}

std::string InstallerPath(const std::string& programFolder) {
  return programFolder + diag_text::kInstallerFile;
}

TDownloadResult DownloadToFile(const std::string& url, const std::string& targetPath,
                               const TDownloadProgressHandler& onProgress,
                               const std::atomic<bool>* cancel, const TDownloadLimits& limits) {
  TDownloadResult result;
  EnsureCurlReady();
  std::unique_ptr<CURL, TCurlDeleter> curl(curl_easy_init());
  if (!curl) {
    result.Error = "libcurl could not be initialised";
    return result;
  }
  std::string tempPath;
  // Whatever happens below, the temporary file does not outlive this call (it is closed
  // before it is removed: the guard is declared first, so it goes last).
  struct TRemoveTemp {
    const std::string& Path;
    bool Keep = false;
    ~TRemoveTemp() {
      if (!Keep && !Path.empty()) std::remove(Path.c_str());
    }
  } removeTemp{tempPath};
  std::unique_ptr<FILE, TFileCloser> file(CreateTemporary(targetPath, &tempPath));
  if (!file) {
    result.Error = "cannot create a temporary file beside " + targetPath;
    return result;
  }

  TTransfer transfer;
  transfer.File = file.get();
  transfer.OnProgress = &onProgress;
  transfer.Cancel = cancel;
  char errorBuffer[CURL_ERROR_SIZE] = {};

  CURL* handle = curl.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.Connect.count()));
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME,
                   static_cast<long>(std::max<int64_t>(1, limits.Stall.count() / 1000)));
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, ReportProgress);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer);

  const CURLcode code = curl_easy_perform(handle);
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.HttpStatus);
  curl_off_t announced = -1;
  curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);

  if (code != CURLE_OK) {
    result.Error = transfer.WriteFailed
                       ? "cannot write " + tempPath
                       : std::string(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    return result;
  }
  if (result.HttpStatus < 200 || result.HttpStatus > 299) {
    result.Error = "HTTP status " + std::to_string(result.HttpStatus);
    return result;
  }
  if (announced >= 0 && announced != transfer.Written) {
    result.Error = "body incomplete: " + std::to_string(transfer.Written) + " of " +
                   std::to_string(announced) + " bytes";
    return result;
  }
  if (std::fflush(file.get()) != 0 || fsync(fileno(file.get())) != 0) {
    result.Error = "cannot write " + tempPath;
    return result;
  }
  if (std::fclose(file.release()) != 0) {
    result.Error = "cannot write " + tempPath;
    return result;
  }
  std::error_code error;
  std::filesystem::rename(tempPath, targetPath, error);
  if (error) {
    result.Error = "cannot replace " + targetPath + ": " + error.message();
    return result;
  }
  removeTemp.Keep = true;
  result.Ok = true;
  return result;
}

TDownloadResult DownloadInstaller(const std::string& baseUrl, const std::string& programFolder,
                                  int build, const TDownloadProgressHandler& onProgress,
                                  const std::atomic<bool>* cancel) {
  return DownloadToFile(InstallerUrl(baseUrl, build), InstallerPath(programFolder), onProgress,
                        cancel);
}

}  // namespace talvesso
