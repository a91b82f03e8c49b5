// The ten backend operations: their addresses and fields on the wire, and how answers are read.
#include "webclient/service_api.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>

#include "support/temp_dir.h"
#include "webclient/wire_helpers.h"

namespace talvesso::test {
namespace {

// A capture server whose answer the test sets before each call.
class TScriptedBackend {
 public:
  TScriptedBackend()
      : Server_([this](const TCapturedRequest&) {
          std::lock_guard lock(Mutex_);
          return TReply::Http(200, Answer_);
        }) {}
  void Answer(std::string answer) {
    std::lock_guard lock(Mutex_);
    Answer_ = std::move(answer);
  }
  std::string BaseUrl() const { return Server_.BaseUrl() + "p2p/"; }
  TCapturedRequest Last() {
    auto requests = Server_.Requests();
    return requests.empty() ? TCapturedRequest{} : requests.back();
  }
  size_t Count() { return Server_.Requests().size(); }

 private:
  std::mutex Mutex_;
  std::string Answer_ = "##%%OK%%##";
  TCaptureServer Server_;
};

TEST(ServiceApiWire, AddressesOfTheOperations) {
  TScriptedBackend backend;
  TServiceApi api(backend.BaseUrl());
  TSharedHttpClient client;
  TTempDir dir;
  auto catalogue = dir.WriteFile("fshare.txt", "1||0||1||D:\\S\\||S||0||0||1||1\r\n");
  struct TCase {
    std::function<void()> Call;
    std::string RequestLine;
  } cases[] = {
      {[&] { api.QueryServerVersion(); }, "POST /p2p/get_server_ver.php HTTP/1.0"},
      {[&] { api.LogIn("a&b #+\xEA\xB0\x80", "p w#d"); },
       "POST /p2p/login_user.php?user_id=a%26b%20%23%2B%B0%A1&user_pass=p%20w%23d HTTP/1.0"},
      {[&] { api.QueryPoints("\xEA\xB0\x80\xEB\x82\x98"); },
       "POST /p2p/get_point.php?user_id=%B0%A1%B3%AA HTTP/1.0"},
      {[&] { api.SetServerStatusOn(12345, 6000, "srv"); },
       "POST /p2p/set_server_status.php?user_pno=12345&port=6000&status=1 HTTP/1.0"},
      {[&] { api.SetServerStatusOff(-1, 6000); },
       "GET /p2p/set_server_status.php?user_pno=-1&port=6000&status=0 HTTP/1.0"},
      {[&] { api.SendWatchdog(12345, 250000); },
       "POST /p2p/set_server_watchdog.php?user_pno=12345&server_bps=250000&status=1 HTTP/1.0"},
      {[&] { api.QueryCost(); }, "POST /p2p/get_cost.php HTTP/1.0"},
      {[&] { api.SetDownStart(77, "\xEA\xB0\x80", "peer\xB3\xAA", "T#1&", false); },
       "POST /p2p/set_down_start.php?server_mode=ON&file_pno=77&server_id=%B0%A1"
       "&user_id=peer%B3%AA&uid=T%231%26 HTTP/1.0"},
      {[&] { api.SetDownStart(77, "srv", "peer", "T1", true); },
       "POST /p2p/set_down_start.php?server_mode=ON&file_pno=77&server_id=srv&user_id=peer&uid=T1"
       "&PacketCnt=-1 HTTP/1.0"},
      {[&] { api.SetCost("srv", "peer", 5, 1000, 77, "T1"); }, "POST /p2p/set_cost.php HTTP/1.0"},
      {[&] { api.UploadCatalogue(client, 12345, catalogue.string()); },
       "POST /p2p/save_share_files.php?user_pno=12345 HTTP/1.0"},
  };
  for (const auto& c : cases) {
    size_t before = backend.Count();
    c.Call();
    ASSERT_EQ(backend.Count(), before + 1) << c.RequestLine;
    EXPECT_EQ(backend.Last().RequestLine, c.RequestLine);
  }
}

TEST(ServiceApiWire, FormsOfTheOperationsThatSendFields) {
  TScriptedBackend backend;
  TServiceApi api(backend.BaseUrl());

  api.SetServerStatusOn(1, 2, "\xEB\x82\xB4 \xEC\x84\x9C\xEB\xB2\x84");  // a Korean server name
  TCapturedRequest status = backend.Last();
  EXPECT_EQ(status.Body, ExpectedBody(BoundaryOf(status), UidOf(status),
                                      {{"server_name", "\xB3\xBB \xBC\xAD\xB9\xF6"}}));

  // The volume report carries "UID" (fresh) first and "uid" (the transfer's) last.
  api.SetCost("\xEA\xB0\x80", "peer\xB3\xAA", -1, 4096, 77, "TRANSFER-1");
  TCapturedRequest cost = backend.Last();
  std::string uid = UidOf(cost);
  EXPECT_THAT(uid, ::testing::MatchesRegex("[0-9A-F]{32}"));
  EXPECT_EQ(cost.Body, ExpectedBody(BoundaryOf(cost), uid,
                                    {{"server_id", "\xB0\xA1"},
                                     {"user_id", "peer\xB3\xAA"},
                                     {"packet_cnt", "-1"},
                                     {"server_bps", "4096"},
                                     {"file_pno", "77"},
                                     {"uid", "TRANSFER-1"}}));

  TTempDir dir;
  auto catalogue = dir.WriteFile("fshare.txt", "1||0||1||D:\\S\\||S||0||0||1||1\r\n");
  TSharedHttpClient client;
  EXPECT_TRUE(api.UploadCatalogue(client, 9, catalogue.string()));
  TCapturedRequest upload = backend.Last();
  EXPECT_EQ(upload.Body, ExpectedBody(BoundaryOf(upload), UidOf(upload), {},
                                      {{"file1", catalogue.string(), ReadWholeFile(catalogue)}}));
}

TEST(ServiceApiWire, TextTheCodePageCannotHoldIsNotSentAsALookAlike) {
  TScriptedBackend backend;
  TServiceApi api(backend.BaseUrl());
  const std::string emoji = "a\xF0\x9F\x98\x80";
  TLoginAnswer login = api.LogIn(emoji, "pw");
  EXPECT_FALSE(login.Empty);
  EXPECT_FALSE(login.Ok);
  EXPECT_EQ(api.QueryPoints(emoji), -1);
  EXPECT_EQ(api.SetDownStart(1, emoji, "peer", "T", false), 300);
  EXPECT_EQ(api.SetCost(emoji, "peer", 1, 1, 1, "T"), -1);
  EXPECT_EQ(backend.Count(), 0u);
}

TEST(ServiceApiAnswers, ServerVersion) {
  TScriptedBackend backend;
  TServiceApi api(backend.BaseUrl());
  struct TCase {
    std::string Answer;
    int32_t Expected;
  } cases[] = {{"", 0},
               {"##%%OK%%##", 0},
               {"##%%OK%%##\r\n171", 171},
               {"x ##%%OK%%## y\n172\n", 172},
               {"##%%ok%%##\r\n171", 0},
               {"171", 0}};
  for (const auto& c : cases) {
    backend.Answer(c.Answer);
    EXPECT_EQ(api.QueryServerVersion(), c.Expected) << c.Answer;
  }
}

TEST(ServiceApiAnswers, Login) {
  TScriptedBackend backend;
  TServiceApi api(backend.BaseUrl());
  struct TCase {
    std::string Answer;
    bool Empty;
    bool Ok;
    std::optional<int32_t> PNo;
    std::optional<int32_t> Point;
  } cases[] = {
      {"", true, false, {}, {}},
      {"LOGIN FAILED", false, false, {}, {}},
      {"##%%OK%%##", false, true, {}, {}},
      {"##%%OK%%##\r\n12345", false, true, 12345, {}},
      {"##%%OK%%##\r\n12345\r\n1500", false, true, 12345, 1500},
      {"##%%OK%%##\n12a\n-3", false, true, 12, -3},
  };
  for (const auto& c : cases) {
    backend.Answer(c.Answer);
    TLoginAnswer login = api.LogIn("id", "pw");
    EXPECT_EQ(login.Empty, c.Empty) << c.Answer;
    EXPECT_EQ(login.Ok, c.Ok) << c.Answer;
    EXPECT_EQ(login.UserPNo, c.PNo) << c.Answer;
    EXPECT_EQ(login.UserPoint, c.Point) << c.Answer;
  }
}

TEST(ServiceApiAnswers, Points) {
  TScriptedBackend backend;
  TServiceApi api(backend.BaseUrl());
  struct TCase {
    std::string Answer;
    int32_t Expected;
  } cases[] = {{"", -1},
               {"##%%OK%%##\r\n500", 500},
               {"##%%OK%%##", -1},
               {"##%%OK%%##\r\n0", 0},
               {"##%%NOT_EXISTS%%##", -2},
               {"##%%OK%%##\r\n5\r\n##%%NOT_EXISTS%%##", 5},  // OK is tested first
               {"junk", -1}};
  for (const auto& c : cases) {
    backend.Answer(c.Answer);
    EXPECT_EQ(api.QueryPoints("id"), c.Expected) << c.Answer;
  }
}

TEST(ServiceApiAnswers, CostValues) {
  TScriptedBackend backend;
  TServiceApi api(backend.BaseUrl());
  struct TCase {
    std::string Answer;
    int32_t First;
    int32_t Second;
  } cases[] = {{"##%%OK%%##\r\n20\r\nx", 20, 1},
               {"##%%OK%%##\r\n0\r\n3", 16, 3},
               {"", 16, 1},
               {"##%%OK%%##\r\n  25\r\n7\r\n", 25, 7},
               {"##%%OK%%##\r\n25 \r\n7x", 16, 1},
               {"##%%OK%%##\r\n-4\r\n2", 16, 2},
               {"20\r\n3\r\n4", 16, 1},
               {"##%%OK%%##", 16, 1}};
  for (const auto& c : cases) {
    backend.Answer(c.Answer);
    TCostValues values = api.QueryCost();
    EXPECT_EQ(values.CostValue1, c.First) << c.Answer;
    EXPECT_EQ(values.CostValue2, c.Second) << c.Answer;
  }
}

TEST(ServiceApiAnswers, DownloadStartVolumeReportAndUpload) {
  TScriptedBackend backend;
  TServiceApi api(backend.BaseUrl());
  TSharedHttpClient client;
  TTempDir dir;
  auto catalogue = dir.WriteFile("fshare.txt", "");
  struct TCase {
    std::string Answer;
    int DownStart;
    int Cost;
    bool Upload;
  } cases[] = {
      {"##%%OK%%##", 100, 0, true},
      {"##%%NOT_MONEY%%##", 200, -1, false},
      {"##%%NOT_MONEY%%##\r\n##%%OK%%##", 100, 0, true},
      {"", 300, -1, false},
      {"<html>error</html>", 300, -1, false},
  };
  for (const auto& c : cases) {
    backend.Answer(c.Answer);
    EXPECT_EQ(api.SetDownStart(1, "srv", "peer", "T", false), c.DownStart) << c.Answer;
    EXPECT_EQ(api.SetCost("srv", "peer", 1, 1, 1, "T"), c.Cost) << c.Answer;
    EXPECT_EQ(api.UploadCatalogue(client, 1, catalogue.string()), c.Upload) << c.Answer;
  }
}

}  // namespace
}  // namespace talvesso::test
