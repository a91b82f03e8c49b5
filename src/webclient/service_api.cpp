#include "webclient/service_api.h"

#include "common/cp949.h"
#include "webclient/service_answer.h"

namespace talvesso {

namespace {

// A member's text (UTF-8) as a query value: its Korean-code-page bytes, percent-encoded.
// nullopt when the code page cannot hold it (sending a look-alike could name another member).
std::optional<std::string> MemberQueryValue(const std::string& utf8) {
  auto cp949 = Utf8ToCp949(utf8);
  if (!cp949) return std::nullopt;
  return PercentEncode(*cp949);
}

std::string Number(int64_t value) { return std::to_string(value); }

TServiceRequest RequestTo(std::string url) {
  TServiceRequest request;
  request.Url = std::move(url);
  return request;
}

}  // namespace

std::string PercentEncode(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '.' || c == '_' || c == '~';
    if (unreserved) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

int32_t TServiceApi::QueryServerVersion() {
  std::string answer = ServicePost(RequestTo(BaseUrl_ + "get_server_ver.php"));
  if (!HasMarker(answer, kMarkerOk)) return 0;
  auto lines = SplitAnswerLines(answer);
  return lines.size() >= 2 ? LenientInt(lines[1]) : 0;
}

TLoginAnswer TServiceApi::LogIn(const std::string& id, const std::string& password) {
  TLoginAnswer result;
  auto idValue = MemberQueryValue(id);
  auto passwordValue = MemberQueryValue(password);
  if (!idValue || !passwordValue) {
    // No such member can exist: answered like a wrong ID or password, without asking.
    result.Empty = false;
    return result;
  }
  std::string answer = ServicePost(
      RequestTo(BaseUrl_ + "login_user.php?user_id=" + *idValue + "&user_pass=" + *passwordValue));
  result.Empty = answer.empty();
  result.Ok = HasMarker(answer, kMarkerOk);
  if (!result.Ok) return result;
  auto lines = SplitAnswerLines(answer);
  if (lines.size() >= 2) result.UserPNo = LenientInt(lines[1]);
  if (lines.size() >= 3) result.UserPoint = LenientInt(lines[2]);
  return result;
}

int32_t TServiceApi::QueryPoints(const std::string& userId) {
  auto idValue = MemberQueryValue(userId);
  if (!idValue) return -1;
  std::string answer = ServicePost(RequestTo(BaseUrl_ + "get_point.php?user_id=" + *idValue));
  if (answer.empty()) return -1;
  if (HasMarker(answer, kMarkerOk)) {
    auto lines = SplitAnswerLines(answer);
    return lines.size() >= 2 ? LenientInt(lines[1]) : -1;
  }
  if (HasMarker(answer, kMarkerNotExists)) return -2;
  return -1;
}

void TServiceApi::SetServerStatusOn(int32_t userPNo, int32_t port, const std::string& serverName) {
  TServiceRequest request =
      RequestTo(BaseUrl_ + "set_server_status.php?user_pno=" + Number(userPNo) +
                "&port=" + Number(port) + "&status=1");
  request.FieldNames = {"server_name"};
  // A display name only: a character the code page lacks becomes "?" rather than no report.
  request.FieldValues = {Utf8ToCp949Lossy(serverName)};
  ServicePost(request);
}

void TServiceApi::SetServerStatusOff(int32_t userPNo, int32_t port) {
  ServiceGet(BaseUrl_ + "set_server_status.php?user_pno=" + Number(userPNo) +
             "&port=" + Number(port) + "&status=0");
}

void TServiceApi::SendWatchdog(int32_t userPNo, int32_t lastServerBps) {
  ServicePost(RequestTo(BaseUrl_ + "set_server_watchdog.php?user_pno=" + Number(userPNo) +
                        "&server_bps=" + Number(lastServerBps) + "&status=1"));
}

TCostValues TServiceApi::QueryCost() {
  TCostValues values;
  std::string answer = ServicePost(RequestTo(BaseUrl_ + "get_cost.php"));
  if (answer.empty() || !HasMarker(answer, kMarkerOk)) return values;
  auto lines = SplitAnswerLines(answer);
  if (lines.size() >= 2)
    if (auto first = StrictPositiveInt(lines[1])) values.CostValue1 = *first;
  if (lines.size() >= 3)
    if (auto second = StrictPositiveInt(lines[2])) values.CostValue2 = *second;
  return values;
}

int TServiceApi::SetDownStart(int32_t filePNo, const std::string& serverIdUtf8,
                              const std::string& peerUserIdRaw, const std::string& transferUidRaw,
                              bool resumed) {
  auto serverId = MemberQueryValue(serverIdUtf8);
  if (!serverId) return 300;
  std::string url = BaseUrl_ + "set_down_start.php?server_mode=ON&file_pno=" + Number(filePNo) +
                    "&server_id=" + *serverId + "&user_id=" + PercentEncode(peerUserIdRaw) +
                    "&uid=" + PercentEncode(transferUidRaw);
  if (resumed) url += "&PacketCnt=-1";
  std::string answer = ServicePost(RequestTo(url));
  if (HasMarker(answer, kMarkerOk)) return 100;
  if (HasMarker(answer, kMarkerNotMoney)) return 200;
  return 300;
}

int TServiceApi::SetCost(const std::string& serverIdUtf8, const std::string& peerUserIdRaw,
                         int32_t packetCount, int32_t serverBps, int32_t filePNo,
                         const std::string& transferUidRaw) {
  auto serverId = Utf8ToCp949(serverIdUtf8);
  if (!serverId) return -1;
  TServiceRequest request = RequestTo(BaseUrl_ + "set_cost.php");
  request.FieldNames = {"server_id", "user_id", "packet_cnt", "server_bps", "file_pno", "uid"};
  request.FieldValues = {*serverId,         peerUserIdRaw,   Number(packetCount),
                         Number(serverBps), Number(filePNo), transferUidRaw};
  return HasMarker(ServicePost(request), kMarkerOk) ? 0 : -1;
}

bool TServiceApi::UploadCatalogue(TSharedHttpClient& client, int32_t userPNo,
                                  const std::string& catalogueFile) {
  TServiceRequest request =
      RequestTo(BaseUrl_ + "save_share_files.php?user_pno=" + Number(userPNo));
  request.File1 = catalogueFile;
  return HasMarker(client.ServicePostTracked(request), kMarkerOk);
}

}  // namespace talvesso
