// The sender against the stand-in web backend over real HTTP: registration, points, the
// volume report, and a backend that misbehaves or is gone.
#include <nlohmann/json.hpp>

#include "fileserver_fixture.h"
#include "support/dev_backend.h"
#include "webclient/service_api.h"

namespace talvesso::test {
namespace {

class DevBackendFileServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Backend.Start(
        {"--member", "owner:pw:1:0", "--member", "rich:pw:2:1000", "--member", "poor:pw:3:0"}));
    Api = std::make_unique<TServiceApi>(Backend.BaseUrl());
    TServerConfig config;
    config.UserID = "owner";
    config.MaxConn = 10;
    config.CostValue1 = 16;
    config.CostValue2 = 1;
    Settings.Replace(config);
    Share = Dir.Path() / "share";
    std::filesystem::create_directories(Share);
    Server = std::make_unique<TSvrModule>(Settings, *Api, nullptr);
    ASSERT_EQ(Server->StartListener(0, 0), kListenStarted);
    Server->SetSharedRoots({Share.string()});
  }

  // The form of every set_cost.php request the backend saw.
  std::vector<nlohmann::json> CostReports() {
    std::vector<nlohmann::json> reports;
    auto log = nlohmann::json::parse(Backend.Get("_log"), nullptr, false);
    if (log.is_discarded()) return reports;
    for (auto& entry : log)
      if (entry.value("path", "") == "/set_cost.php") reports.push_back(entry["form"]);
    return reports;
  }

  int32_t FinalState() {
    int32_t state = -1;
    WaitFor([&] {
      state = Server->StatusRecords().Rows().at(0).Data.State;
      return state != kStateWaiting && state != kStateSending;
    });
    return state;
  }

  TTempDir Dir;
  std::filesystem::path Share;
  TDevBackend Backend;
  std::unique_ptr<TServiceApi> Api;
  TSettings Settings;
  std::unique_ptr<TSvrModule> Server;
};

TEST_F(DevBackendFileServer, DownloadIsRegisteredAndItsWholeMebibytesReported) {
  auto path = Dir.WriteFile("share/two.bin", std::string(2 * 1048576 + 5, 'z'));
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Server->LocalPort()));
  ASSERT_TRUE(peer.Send(DownloadRequest(path.string(), 0, "rich", "TX1", "42")));
  TReply reply = ReadReply(peer);
  ASSERT_EQ(reply.Word, "FILE_SEND");
  EXPECT_EQ(reply.Bytes.size(), 2u * 1048576 + 5);
  EXPECT_EQ(FinalState(), kStateComplete);
  ASSERT_TRUE(WaitFor([&] { return !CostReports().empty(); }));
  auto form = CostReports()[0];
  EXPECT_EQ(form.value("packet_cnt", ""), "2");
  EXPECT_EQ(form.value("uid", ""), "TX1");
  EXPECT_EQ(form.value("user_id", ""), "rich");
  EXPECT_EQ(form.value("server_id", ""), "owner");
  EXPECT_EQ(form.value("file_pno", ""), "42");
}

TEST_F(DevBackendFileServer, MemberWithoutPointsIsRefusedAndDisconnected) {
  auto path = Dir.WriteFile("share/f.bin", "data");
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Server->LocalPort()));
  ASSERT_TRUE(peer.Send(DownloadRequest(path.string(), 0, "poor", "TX2")));
  EXPECT_EQ(ReadReply(peer).Word, "FILE_SEND_NOT_MONEY");
  EXPECT_TRUE(peer.ClosedByServer());
  EXPECT_EQ(FinalState(), kStateNoPoints);
  EXPECT_TRUE(CostReports().empty());
}

TEST_F(DevBackendFileServer, GarbledAnswerIsAFailure) {
  Backend.Get("_mode?mode=broken");
  auto path = Dir.WriteFile("share/f.bin", "data");
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Server->LocalPort()));
  ASSERT_TRUE(peer.Send(DownloadRequest(path.string(), 0, "rich", "TX3")));
  EXPECT_EQ(ReadReply(peer).Word, "FILE_SEND_ERROR");
  EXPECT_TRUE(peer.ClosedByServer());
  EXPECT_EQ(FinalState(), kStateError);
}

TEST_F(DevBackendFileServer, BackendDownFailsEveryRequestPromptlyAndReleasesTheLock) {
  Backend.Stop();
  auto path = Dir.WriteFile("share/f.bin", "data");
  TPeer first, second;
  ASSERT_TRUE(first.Connect(Server->LocalPort()));
  ASSERT_TRUE(second.Connect(Server->LocalPort()));
  ASSERT_TRUE(first.Send(DownloadRequest(path.string(), 0, "rich", "A")));
  ASSERT_TRUE(second.Send(DownloadRequest(path.string(), 0, "rich", "B")));
  EXPECT_EQ(ReadReply(first).Word, "FILE_SEND_ERROR");
  EXPECT_EQ(ReadReply(second).Word, "FILE_SEND_ERROR");
  EXPECT_TRUE(first.ClosedByServer());
  EXPECT_TRUE(second.ClosedByServer());
}

}  // namespace
}  // namespace talvesso::test
