// The operations against the stand-in backend: the contract end to end, and the stand-in itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "common/cp949.h"
#include "support/dev_backend.h"
#include "support/temp_dir.h"
#include "webclient/service_api.h"
#include "webclient/wire_helpers.h"

namespace talvesso::test {
namespace {

using nlohmann::json;

class DevBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Backend.Start({"--member", "alice:pw1:101:100", "--member", "가나다:비 번:102:5",
                               "--member", "bob:pw2:201:0", "--cost", "20,2", "--newest-build",
                               "171", "--download-cost", "10", "--store", Store.Folder()}));
  }
  json State() { return json::parse(Backend.Get("_state")); }
  int64_t PointsOf(const std::string& id) {
    json state = State();
    for (const auto& m : state["members"])
      if (m["id"] == id) return m["points"];
    return -1;
  }

  TTempDir Store;
  TDevBackend Backend;
};

TEST_F(DevBackendTest, LoginPointsCostAndBuild) {
  TServiceApi api(Backend.BaseUrl());
  EXPECT_EQ(api.QueryServerVersion(), 171);

  TLoginAnswer alice = api.LogIn("alice", "pw1");
  EXPECT_TRUE(alice.Ok);
  EXPECT_EQ(alice.UserPNo, 101);
  EXPECT_EQ(alice.UserPoint, 100);
  TLoginAnswer korean = api.LogIn("가나다", "비 번");  // Korean ID, password with a blank
  EXPECT_TRUE(korean.Ok);
  EXPECT_EQ(korean.UserPNo, 102);
  TLoginAnswer wrong = api.LogIn("alice", "pw1#");
  EXPECT_FALSE(wrong.Empty);
  EXPECT_FALSE(wrong.Ok);

  EXPECT_EQ(api.QueryPoints("alice"), 100);
  EXPECT_EQ(api.QueryPoints("nobody"), -2);
  TCostValues cost = api.QueryCost();
  EXPECT_EQ(cost.CostValue1, 20);
  EXPECT_EQ(cost.CostValue2, 2);
}

TEST_F(DevBackendTest, DownloadsMovePointsFromDownloaderToOwner) {
  TServiceApi api(Backend.BaseUrl());
  api.SetServerStatusOn(201, 6000, "밥 서버");
  // alice (100) downloads from bob's server: 10 at the start, 2 per whole MiB reported.
  EXPECT_EQ(api.SetDownStart(5, "bob", "alice", "T1", false), 100);
  EXPECT_EQ(PointsOf("alice"), 90);
  EXPECT_EQ(api.SetCost("bob", "alice", 5, 1000, 5, "T1"), 0);
  EXPECT_EQ(api.QueryPoints("alice"), 80);
  EXPECT_EQ(PointsOf("bob"), 20);
  // A report is settled once.
  EXPECT_EQ(api.SetCost("bob", "alice", 5, 1000, 5, "T1"), -1);
  EXPECT_EQ(PointsOf("alice"), 80);

  // A resumed download starts free and its -1 report moves nothing.
  EXPECT_EQ(api.SetDownStart(5, "bob", "alice", "T2", true), 100);
  EXPECT_EQ(api.SetCost("bob", "alice", -1, 1000, 5, "T2"), 0);
  EXPECT_EQ(PointsOf("alice"), 80);

  // 가나다 holds 5 points, less than a download start costs.
  EXPECT_EQ(api.SetDownStart(6, "bob", "\xB0\xA1\xB3\xAA\xB4\xD9", "T3", false), 200);
  EXPECT_EQ(PointsOf("가나다"), 5);
  EXPECT_EQ(api.SetDownStart(6, "bob", "nobody", "T4", false), 300);

  json state = State();
  ASSERT_EQ(state["servers"].size(), 1u);
  EXPECT_EQ(state["servers"][0]["name"], "밥 서버");
  EXPECT_TRUE(state["servers"][0]["online"].get<bool>());
  std::string home = Backend.Get("");
  EXPECT_THAT(home, ::testing::HasSubstr("밥 서버"));
  EXPECT_THAT(home, ::testing::HasSubstr("가나다"));
  EXPECT_THAT(home, ::testing::HasSubstr("T1"));

  api.SetServerStatusOff(201, 6000);
  EXPECT_FALSE(State()["servers"][0]["online"].get<bool>());
  json log = json::parse(Backend.Get("_log"));
  EXPECT_EQ(log.back()["method"], "GET");
  EXPECT_EQ(log.back()["query"]["status"], "0");
}

TEST_F(DevBackendTest, CatalogueUploadIsStoredAndRead) {
  TServiceApi api(Backend.BaseUrl());
  TSharedHttpClient client;
  std::string text =
      "1||0||1||D:\\Share\\||자료||15||0||1||1\r\n"
      "3||1||1||D:\\Share\\b\\||b||20||0||1||1\r\n"
      "2||1||0||||a.txt||10||0||1||1\r\n"
      "4||3||0||||c.txt||20||0||1||1\r\n"
      "5||1||0||||d.txt||5||0||1||1\r\n";
  std::string cp949 = *Utf8ToCp949(text);
  TTempDir dir;
  auto file = dir.WriteFile("fshare.txt", cp949);
  ASSERT_TRUE(api.UploadCatalogue(client, 201, file.string()));

  json entries = State()["catalogues"]["201"]["entries"];
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0]["name"], "자료");
  EXPECT_EQ(entries[0]["path"], "D:\\Share\\");
  EXPECT_EQ(entries[1]["parent"], 1);
  EXPECT_EQ(entries[4]["name"], "d.txt");
  EXPECT_EQ(entries[4]["size"], 5);
  EXPECT_EQ(ReadWholeFile(Store.Path() / "fshare_201.txt"), cp949);

  json log = json::parse(Backend.Get("_log"));
  ASSERT_EQ(log.back()["files"].size(), 1u);
  EXPECT_EQ(log.back()["files"][0]["name"], "file1");
  EXPECT_EQ(log.back()["files"][0]["size"], cp949.size());
  EXPECT_EQ(log.back()["form"]["UID"].get<std::string>().size(), 32u);

  // A line that is not nine fields is refused, and the stored catalogue stays.
  auto broken = dir.WriteFile("broken.txt", "1||0||1||D:\\x\\\r\n");
  EXPECT_FALSE(api.UploadCatalogue(client, 201, broken.string()));
  EXPECT_EQ(State()["catalogues"]["201"]["entries"].size(), 5u);
  // Catalogues of a Linux machine use "/"; a share name may hold "||".
  auto linuxCatalogue =
      dir.WriteFile("linux.txt", *Utf8ToCp949("1||0||1||/srv/자료/||a||b||0||0||1||1\r\n"
                                              "2||1||0||||x.txt||3||0||1||1\r\n"));
  EXPECT_TRUE(api.UploadCatalogue(client, 201, linuxCatalogue.string()));
  entries = State()["catalogues"]["201"]["entries"];
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0]["path"], "/srv/자료/");
  EXPECT_EQ(entries[0]["name"], "a||b");
  EXPECT_EQ(entries[1]["size"], 3);
  // An empty catalogue is a valid one.
  auto empty = dir.WriteFile("empty.txt", "");
  EXPECT_TRUE(api.UploadCatalogue(client, 201, empty.string()));
  EXPECT_EQ(State()["catalogues"]["201"]["entries"].size(), 0u);
}

TEST_F(DevBackendTest, VolumeReportFieldsArriveUnderBothUidNames) {
  TServiceApi api(Backend.BaseUrl());
  ASSERT_EQ(api.SetDownStart(5, "bob", "alice", "T9", false), 100);
  api.SetCost("bob", "alice", 3, 512, 5, "T9");
  json form = json::parse(Backend.Get("_log")).back()["form"];
  EXPECT_EQ(form["uid"], "T9");
  EXPECT_EQ(form["UID"].get<std::string>().size(), 32u);
  EXPECT_EQ(form["packet_cnt"], "3");
  EXPECT_EQ(form["server_id"], "bob");
}

TEST_F(DevBackendTest, BrokenAndSlowModesAndTheInstaller) {
  TServiceApi api(Backend.BaseUrl());
  EXPECT_THAT(Backend.Get("server_setup171.zip"), ::testing::StartsWith("PK"));
  EXPECT_EQ(Backend.Get("server_setup170.zip"), "");

  Backend.Get("_mode?mode=broken");
  TLoginAnswer broken = api.LogIn("alice", "pw1");
  EXPECT_FALSE(broken.Empty);
  EXPECT_FALSE(broken.Ok);
  EXPECT_EQ(api.QueryServerVersion(), 0);

  Backend.Get("_mode?mode=slow");  // answers after 3 s; the client gives up after 1 s of silence
  {
    TShortTimeouts shortTimeouts(std::chrono::seconds(1));
    EXPECT_TRUE(api.LogIn("alice", "pw1").Empty);
  }
  Backend.Get("_mode?mode=normal");
  EXPECT_TRUE(api.LogIn("alice", "pw1").Ok);
}

TEST(DevBackendStart, MembersFromADataFile) {
  TTempDir dir;
  auto data = dir.WriteFile("members.txt", "# id password pno points\n\ncarol secret 301 42\r\n");
  TDevBackend backend;
  ASSERT_TRUE(backend.Start({"--data", data.string()}));
  TServiceApi api(backend.BaseUrl());
  TLoginAnswer login = api.LogIn("carol", "secret");
  EXPECT_TRUE(login.Ok);
  EXPECT_EQ(login.UserPNo, 301);
  EXPECT_EQ(login.UserPoint, 42);
  EXPECT_EQ(api.QueryServerVersion(), 170);
  TCostValues cost = api.QueryCost();
  EXPECT_EQ(cost.CostValue1, 16);
  EXPECT_EQ(cost.CostValue2, 1);
}

}  // namespace
}  // namespace talvesso::test
