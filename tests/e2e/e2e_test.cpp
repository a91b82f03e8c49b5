// End to end, as a member and a peer would see it: the real program (offscreen) against the
// stand-in backend and test server, set to log in and share by itself; peerget downloads from
// it; the backend's request log and state show what the program reported.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "diagnostics/nettestd_fixture.h"
#include "store/local_databases.h"
#include "store/server_config_store.h"
#include "store/share_folder_store.h"
#include "support/child_process.h"
#include "support/dev_backend.h"
#include "support/temp_dir.h"

using namespace std::chrono_literals;
using nlohmann::json;
using talvesso::test::BinPath;
using talvesso::test::ReadWholeFile;
using talvesso::test::TChildProcess;
using talvesso::test::TDevBackend;
using talvesso::test::TNetTestServer;
using talvesso::test::TTempDir;
using talvesso::test::WaitFor;

namespace {

constexpr int kOwnerPNo = 1001;
constexpr int kOwnerPoints = 25000;
constexpr int kPeerPoints = 500;
constexpr int kDownloadCost = 10;  // the stand-in's default charge per started download
constexpr int kCostPerMiB = 2;     // the second cost value the backend hands out

std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed) % 251);
  return bytes;
}

// Runs peerget and returns its output lines, up to and including the summary.
std::vector<std::string> RunPeer(const std::vector<std::string>& args) {
  TChildProcess peer;
  std::vector<std::string> lines;
  if (!peer.Start(BinPath("peerget"), args)) return lines;
  for (;;) {
    std::string line = peer.ReadLine(60s);
    if (line.empty()) break;
    lines.push_back(line);
    if (line.rfind("summary", 0) == 0) break;
  }
  return lines;
}

bool AnyLineHas(const std::vector<std::string>& lines, const std::string& text) {
  for (const auto& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

class TEndToEnd : public ::testing::Test {
 protected:
  json Log() const { return json::parse(Backend.Get("_log"), nullptr, false); }
  json State() const { return json::parse(Backend.Get("_state"), nullptr, false); }
  std::vector<json> Requests(const std::string& path) const {
    std::vector<json> found;
    const json log = Log();
    if (!log.is_array()) return found;
    for (const json& entry : log)
      if (entry.value("path", "") == path) found.push_back(entry);
    return found;
  }
  static std::string Query(const json& entry, const std::string& name) {
    return entry["query"].value(name, std::string("<none>"));
  }
  static std::string Form(const json& entry, const std::string& name) {
    return entry["form"].value(name, std::string("<none>"));
  }
  int64_t Points(const std::string& id) const {
    const json state = State();
    for (const json& member : state["members"])
      if (member["id"] == id) return member["points"].get<int64_t>();
    return -1;
  }
  std::string Snapshot() const { return Program.Path().string() + "/transfers.png"; }

  TTempDir Program, Runtime, Config, Store, Downloads;
  TDevBackend Backend;
  TNetTestServer NetTest;
  TChildProcess App;
};

TEST_F(TEndToEnd, SharesByItselfAndServesPeers) {
  ASSERT_TRUE(Backend.Start(
      {"--member",
       "demo:demo1234:" + std::to_string(kOwnerPNo) + ":" + std::to_string(kOwnerPoints),
       "--member", "peer:peerpw:2002:" + std::to_string(kPeerPoints), "--store",
       Store.Path().string(), "--cost", "16," + std::to_string(kCostPerMiB)}));
  ASSERT_TRUE(NetTest.Start());

  // The program folder as a member leaves it: backend and test host, settings with automatic
  // login and sharing, one shared folder with a few files.
  Program.WriteFile("svr_addr.cfg", Backend.BaseUrl() + "\n");
  Program.WriteFile("chk_addr.cfg", "127.0.0.1:" + std::to_string(NetTest.Port()) + "\n");
  const std::string whole = Pattern(3 * 1024 * 1024 + 5000, 7);
  const std::string resumed = Pattern(2 * 1024 * 1024 + 321, 11);
  const auto wholePath = Program.WriteFile("shares/demo/whole.bin", whole);
  const auto resumePath = Program.WriteFile("shares/demo/sub/resume.bin", resumed);
  Program.WriteFile("shares/demo/readme.txt", "a shared folder\n");
  const int port = talvesso::test::FreePort();
  {
    talvesso::TLocalDatabases dbs;
    ASSERT_EQ(talvesso::OpenLocalDatabases(Program.Folder(), dbs), talvesso::TOpenResult::Ok);
    talvesso::TServerConfig config;
    talvesso::LoadServerConfig(dbs.DB, config);
    config.Name = "데모 서버";
    config.Port = port;
    config.MaxConn = 10;
    config.UserID = "demo";
    config.UserPass = "demo1234";
    config.SaveID = config.SavePass = 1;
    config.AutoLogin = config.AutoShare = 1;
    config.PopupClose = 1;
    talvesso::SaveServerConfig(dbs.DB, config);
    talvesso::TShareFolderNodeData folder;
    folder.Name = "데모 공유";
    folder.Path = (Program.Path() / "shares" / "demo").string();
    folder.Use = folder.Search = 1;
    talvesso::InsertFolderRow(dbs.DB, folder);
  }

  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("TALVESSO_PROGRAM_FOLDER", Program.Path().c_str(), 1);
  setenv("XDG_CONFIG_HOME", Config.Path().c_str(), 1);
  setenv("XDG_RUNTIME_DIR", Runtime.Path().c_str(), 1);
  setenv("TALVESSO_SHARE_TICK_MS", "100", 1);  // a heartbeat every 6 seconds
  setenv("TALVESSO_TRANSFER_SNAPSHOT", Snapshot().c_str(), 1);
  std::filesystem::permissions(Runtime.Path(), std::filesystem::perms::owner_all);
  ASSERT_TRUE(App.Start(BinPath("talvesso-server"), {}));

  // It logs in and shares by itself: catalogue, cost values, then the status-1 report.
  ASSERT_TRUE(WaitFor([&] { return !Requests("/set_server_status.php").empty(); }, 90s))
      << Backend.Get("_log");
  EXPECT_EQ(Requests("/login_user.php").size(), 1u);
  const auto uploads = Requests("/save_share_files.php");
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(Query(uploads[0], "user_pno"), std::to_string(kOwnerPNo));
  ASSERT_EQ(uploads[0]["files"].size(), 1u);
  EXPECT_GT(uploads[0]["files"][0]["size"].get<int64_t>(), 0);
  EXPECT_EQ(Requests("/get_cost.php").size(), 1u);
  const json status = Requests("/set_server_status.php")[0];
  EXPECT_EQ(Query(status, "status"), "1");
  EXPECT_EQ(Query(status, "port"), std::to_string(port));
  EXPECT_EQ(Query(status, "user_pno"), std::to_string(kOwnerPNo));
  EXPECT_EQ(Form(status, "server_name"), "데모 서버");
  EXPECT_LE(uploads[0]["time_ms"].get<int64_t>(), status["time_ms"].get<int64_t>());

  // The catalogue the backend holds lists the files; the peer takes the file number from it.
  int wholePNo = 0;
  int resumePNo = 0;
  const json state = State();
  for (const json& entry : state["catalogues"][std::to_string(kOwnerPNo)]["entries"]) {
    if (entry["name"] == "whole.bin") wholePNo = entry["no"].get<int>();
    if (entry["name"] == "resume.bin") resumePNo = entry["no"].get<int>();
  }
  ASSERT_GT(wholePNo, 0) << state.dump();
  ASSERT_GT(resumePNo, 0);

  // A whole download.
  const std::string portText = std::to_string(port);
  const std::string wholeOut = (Downloads.Path() / "whole.bin").string();
  auto lines = RunPeer({"--port", portText, "--id", "peer", "--uid", "uid-whole", "--pno",
                        std::to_string(wholePNo), "--path", wholePath.string(), "--out", wholeOut});
  ASSERT_TRUE(AnyLineHas(lines, "complete")) << ::testing::PrintToString(lines);
  EXPECT_TRUE(AnyLineHas(lines, "cost=16/" + std::to_string(kCostPerMiB)));
  EXPECT_EQ(ReadWholeFile(wholeOut), whole);

  // A resumed download: the rest of the file from the offset the peer already has.
  const int64_t offset = 1024 * 1024 + 123;
  const std::string restOut = (Downloads.Path() / "resume.part").string();
  lines = RunPeer({"--port", portText, "--id", "peer", "--uid", "uid-resume", "--pno",
                   std::to_string(resumePNo), "--path", resumePath.string(), "--offset",
                   std::to_string(offset), "--out", restOut});
  ASSERT_TRUE(AnyLineHas(lines, "complete")) << ::testing::PrintToString(lines);
  EXPECT_EQ(ReadWholeFile(restOut), resumed.substr(static_cast<size_t>(offset)));

  // Files outside the shared folder do not exist for a peer, even the program's own.
  for (const std::string& outside :
       {std::string("/etc/hostname"), (Program.Path() / "shares" / ".." / "share.dat").string()}) {
    lines = RunPeer({"--port", portText, "--id", "peer", "--path", outside});
    EXPECT_TRUE(AnyLineHas(lines, "FILE_NOT_EXISTS")) << outside << ::testing::PrintToString(lines);
  }

  // The backend saw the download starts and the volume reports with the right values.
  ASSERT_TRUE(WaitFor([&] { return Requests("/set_cost.php").size() == 2; }, 20s));
  const auto starts = Requests("/set_down_start.php");
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(Query(starts[0], "file_pno"), std::to_string(wholePNo));
  EXPECT_EQ(Query(starts[0], "server_id"), "demo");
  EXPECT_EQ(Query(starts[0], "user_id"), "peer");
  EXPECT_EQ(Query(starts[0], "uid"), "uid-whole");
  EXPECT_EQ(Query(starts[0], "PacketCnt"), "<none>");
  EXPECT_EQ(Query(starts[1], "uid"), "uid-resume");
  EXPECT_EQ(Query(starts[1], "PacketCnt"), "-1");
  // Each sender reports after its last byte, so the two reports may arrive in either order.
  auto costs = Requests("/set_cost.php");
  if (Form(costs[0], "uid") != "uid-whole") std::swap(costs[0], costs[1]);
  EXPECT_EQ(Form(costs[0], "uid"), "uid-whole");
  EXPECT_EQ(Form(costs[0], "packet_cnt"), "3");  // whole MiB sent
  EXPECT_EQ(Form(costs[0], "server_id"), "demo");
  EXPECT_EQ(Form(costs[0], "user_id"), "peer");
  EXPECT_EQ(Form(costs[0], "file_pno"), std::to_string(wholePNo));
  EXPECT_EQ(Form(costs[1], "uid"), "uid-resume");
  EXPECT_EQ(Form(costs[1], "packet_cnt"), "-1");

  // Points moved from the peer to the member who shares.
  const int64_t moved = kDownloadCost + 3 * kCostPerMiB;
  EXPECT_EQ(Points("demo"), kOwnerPoints + moved);
  EXPECT_EQ(Points("peer"), kPeerPoints - moved);

  // The heartbeat arrives, and after the transfers it carries their rate.
  ASSERT_TRUE(WaitFor(
      [&] {
        for (const json& beat : Requests("/set_server_watchdog.php"))
          if (Query(beat, "server_bps") != "0") return true;
        return false;
      },
      20s));
  for (const json& beat : Requests("/set_server_watchdog.php")) {
    EXPECT_EQ(Query(beat, "user_pno"), std::to_string(kOwnerPNo));
    EXPECT_EQ(Query(beat, "status"), "1");
  }
  // The program refreshes the member's balance while sharing.
  EXPECT_TRUE(WaitFor([&] { return !Requests("/get_point.php").empty(); }, 10s));

  // The window's transfer list shows the four requests, newest on top.
  std::vector<std::string> rows;
  ASSERT_TRUE(WaitFor(
      [&] {
        std::ifstream in(Snapshot() + ".tsv");
        rows.clear();
        for (std::string line; std::getline(in, line);) rows.push_back(line);
        return rows.size() == 5 && rows[3].find("전송완료") != std::string::npos;
      },
      10s))
      << ::testing::PrintToString(rows);
  EXPECT_EQ(rows[0].rfind("No\t상 태\t사용자\t파일명", 0), 0u);
  EXPECT_EQ(rows[1].rfind("4\t파일없음\tpeer\t", 0), 0u) << rows[1];
  EXPECT_EQ(rows[2].rfind("3\t파일없음\tpeer\t/etc/hostname", 0), 0u) << rows[2];
  EXPECT_EQ(rows[3].rfind("2\t전송완료\tpeer\t" + resumePath.string() + "\t", 0), 0u) << rows[3];
  EXPECT_NE(rows[3].find("\t100%\t"), std::string::npos);
  EXPECT_EQ(rows[4].rfind("1\t전송완료\tpeer\t" + wholePath.string() + "\t", 0), 0u) << rows[4];
  EXPECT_GT(std::filesystem::file_size(Snapshot()), 1000u);
  if (const char* keep = std::getenv("TALVESSO_E2E_SCREENSHOT")) {
    std::filesystem::copy_file(Snapshot(), keep, std::filesystem::copy_options::overwrite_existing);
  }
}

}  // namespace
