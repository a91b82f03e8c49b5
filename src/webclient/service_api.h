// The backend's endpoints as the agent uses them, each with its answer handling.
// Member data (IDs, passwords, server name) is passed as UTF-8 and sent as CP949; what a peer
// sent (its ID, the transfer identifier) is passed and sent as the raw bytes received.
// Query values are percent-encoded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "webclient/service_post.h"

namespace talvesso {

// What the file server's senders need from the backend; tests hand in a fake.
class TDownloadBackend {
 public:
  virtual ~TDownloadBackend() = default;
  // 100 OK, 200 not enough points, 300 anything else.
  virtual int SetDownStart(int32_t filePNo, const std::string& serverIdUtf8,
                           const std::string& peerUserIdRaw, const std::string& transferUidRaw,
                           bool resumed) = 0;
  // 0 when the OK marker came back, else -1.
  virtual int SetCost(const std::string& serverIdUtf8, const std::string& peerUserIdRaw,
                      int32_t packetCount, int32_t serverBps, int32_t filePNo,
                      const std::string& transferUidRaw) = 0;
};

struct TLoginAnswer {
  bool Empty = true;  // nothing came back (connection problem)
  bool Ok = false;    // OK marker present
  std::optional<int32_t> UserPNo;
  std::optional<int32_t> UserPoint;
};

struct TCostValues {
  int32_t CostValue1 = 16;
  int32_t CostValue2 = 1;
};

class TServiceApi : public TDownloadBackend {
 public:
  explicit TServiceApi(std::string baseUrl) : BaseUrl_(std::move(baseUrl)) {}
  const std::string& BaseUrl() const { return BaseUrl_; }

  int32_t QueryServerVersion();
  TLoginAnswer LogIn(const std::string& id, const std::string& password);
  // Balance when OK with a second line; -2 NOT_EXISTS only; -1 otherwise.
  int32_t QueryPoints(const std::string& userId);
  void SetServerStatusOn(int32_t userPNo, int32_t port, const std::string& serverName);
  void SetServerStatusOff(int32_t userPNo, int32_t port);  // plain GET
  void SendWatchdog(int32_t userPNo, int32_t lastServerBps);
  TCostValues QueryCost();
  int SetDownStart(int32_t filePNo, const std::string& serverIdUtf8,
                   const std::string& peerUserIdRaw, const std::string& transferUidRaw,
                   bool resumed) override;
  int SetCost(const std::string& serverIdUtf8, const std::string& peerUserIdRaw,
              int32_t packetCount, int32_t serverBps, int32_t filePNo,
              const std::string& transferUidRaw) override;
  // Through the shared client (progress, cancel); true when the OK marker came back.
  bool UploadCatalogue(TSharedHttpClient& client, int32_t userPNo,
                       const std::string& catalogueFile);

 private:
  std::string BaseUrl_;
};

// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX (upper-case hex).
std::string PercentEncode(std::string_view bytes);

}  // namespace talvesso
