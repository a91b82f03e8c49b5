#include "catalogue/folder_update.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "scan_tree.h"
#include "support/dev_backend.h"
#include "support/temp_dir.h"
#include "webclient/service_api.h"
#include "webclient/service_post.h"

namespace talvesso {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A backend whose catalogue endpoint answers a fixed text, optionally only once released.
class TCannedBackend {
 public:
  TCannedBackend() {
    Server_.Post("/save_share_files.php",
                 [this](const httplib::Request& req, httplib::Response& res) {
                   std::unique_lock lock(Mutex_);
                   ++Requests_;
                   UserPNo_ = req.get_param_value("user_pno");
                   HasFile_ = req.has_file("file1");
                   if (HasFile_) File_ = req.get_file_value("file1").content;
                   Changed_.notify_all();
                   Changed_.wait_for(lock, 30s, [this] { return !Hold_; });
                   res.status = Status_;
                   res.set_content(Answer_, "text/html");
                 });
    Port_ = Server_.bind_to_any_port("127.0.0.1");
    Thread_ = std::thread([this] { Server_.listen_after_bind(); });
    while (!Server_.is_running()) std::this_thread::sleep_for(1ms);
  }
  ~TCannedBackend() {
    Release();
    Server_.stop();
    Thread_.join();
  }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(Port_) + "/"; }
  void Answer(std::string answer, int status = 200) {
    std::lock_guard lock(Mutex_);
    Answer_ = std::move(answer);
    Status_ = status;
  }
  void Hold() {
    std::lock_guard lock(Mutex_);
    Hold_ = true;
  }
  void Release() {
    std::lock_guard lock(Mutex_);
    Hold_ = false;
    Changed_.notify_all();
  }
  bool WaitForRequests(int count) {
    std::unique_lock lock(Mutex_);
    return Changed_.wait_for(lock, 10s, [&] { return Requests_ >= count; });
  }
  int Requests() const {
    std::lock_guard lock(Mutex_);
    return Requests_;
  }
  std::string UserPNo() const {
    std::lock_guard lock(Mutex_);
    return UserPNo_;
  }
  bool HasFile() const {
    std::lock_guard lock(Mutex_);
    return HasFile_;
  }
  std::string File() const {
    std::lock_guard lock(Mutex_);
    return File_;
  }

 private:
  httplib::Server Server_;
  std::thread Thread_;
  int Port_ = 0;
  mutable std::mutex Mutex_;
  std::condition_variable Changed_;
  std::string Answer_ = "##%%OK%%##";
  int Status_ = 200;
  bool Hold_ = false;
  int Requests_ = 0;
  std::string UserPNo_;
  bool HasFile_ = false;
  std::string File_;
};

// Records what the window would show; calls come from the worker.
class TRecordingObserver : public TFolderUpdateObserver {
 public:
  void OnPhase(TUpdatePhase phase) override {
    std::lock_guard lock(Mutex_);
    Phases.push_back(phase);
    Changed_.notify_all();
  }
  void OnScanProgress(const TScanProgress& progress) override {
    std::lock_guard lock(Mutex_);
    LastScan = progress;
    if (OnScan) OnScan(progress);
  }
  void OnUploadProgress(int64_t bytes, int64_t fileSize) override {
    std::lock_guard lock(Mutex_);
    Uploads.emplace_back(bytes, fileSize);
  }
  bool WaitForPhase(TUpdatePhase phase) {
    std::unique_lock lock(Mutex_);
    return Changed_.wait_for(
        lock, 10s, [&] { return std::find(Phases.begin(), Phases.end(), phase) != Phases.end(); });
  }

  std::function<void(const TScanProgress&)> OnScan;
  std::vector<TUpdatePhase> Phases;
  TScanProgress LastScan;
  std::vector<std::pair<int64_t, int64_t>> Uploads;

 private:
  std::mutex Mutex_;
  std::condition_variable Changed_;
};

class FolderUpdate : public ::testing::Test {
 protected:
  TShareFolderNodeData Share(int32_t pno, const std::string& relative) {
    TShareFolderNodeData record;
    record.PNo = pno;
    record.No = pno;
    record.Path = (Dir.Path() / relative).string();
    record.Name = relative;
    record.Use = 1;
    record.Search = 1;
    fs::create_directories(record.Path);
    return record;
  }
  std::string ProgramFolder() const { return Dir.Folder(); }
  fs::path CatalogueFile() const { return Dir.Path() / "fshare.txt"; }

  test::TTempDir Dir;
  TSharedHttpClient Client;
};

TEST_F(FolderUpdate, UploadsTheCatalogueThroughTheSharedClient) {
  TCannedBackend backend;
  TServiceApi api(backend.BaseUrl());
  TFolderUpdate updates(ProgramFolder(), Client, api);
  Dir.WriteFile("docs/a.txt", "hello");
  Dir.WriteFile("docs/sub/b.txt", "world!");

  TRecordingObserver observer;
  TFolderUpdateOutcome outcome;
  EXPECT_EQ(updates.RunFolderUpdate({Share(5, "docs")}, 42, &observer, &outcome), 200);
  EXPECT_FALSE(updates.Running());

  const std::string catalogue = test::ReadWholeFile(CatalogueFile());
  EXPECT_EQ(test::ParseCatalogue(catalogue).size(), 4u);
  EXPECT_EQ(backend.UserPNo(), "42");
  EXPECT_EQ(backend.File(), catalogue);
  ASSERT_EQ(outcome.MeasuredSizes.size(), 1u);
  EXPECT_EQ(outcome.MeasuredSizes[0].PNo, 5);
  EXPECT_EQ(outcome.MeasuredSizes[0].Size, 11);
  EXPECT_EQ(outcome.Counters.FileCount, 2);

  // The phases in the window's order; the end-of-transfer hook fires after sending and again
  // after receiving.
  const std::vector<TUpdatePhase> expected{
      TUpdatePhase::WalkBegins, TUpdatePhase::WalkDone, TUpdatePhase::UploadBegins,
      TUpdatePhase::TransferFinished, TUpdatePhase::TransferFinished};
  EXPECT_EQ(observer.Phases, expected);
  ASSERT_FALSE(observer.Uploads.empty());
  EXPECT_EQ(observer.Uploads.front(), std::make_pair(int64_t{0}, int64_t(catalogue.size())));
  EXPECT_EQ(observer.LastScan.Counters.FolderCount, 2);
}

TEST_F(FolderUpdate, SuccessExactlyWhenTheAnswerHoldsTheMarker) {
  TCannedBackend backend;
  TServiceApi api(backend.BaseUrl());
  TFolderUpdate updates(ProgramFolder(), Client, api);
  const TFolderList folders{Share(1, "s")};
  const struct {
    const char* Answer;
    int Status;
    int Result;
  } cases[] = {
      {"##%%OK%%##", 200, 200}, {"saved 3 lines ##%%OK%%## thanks\r\nmore", 200, 200},
      {"##%%ok%%##", 200, 300}, {"", 200, 300},
      {"##%%OK%%##", 500, 300},
  };
  for (const auto& c : cases) {
    backend.Answer(c.Answer, c.Status);
    EXPECT_EQ(updates.RunFolderUpdate(folders, 1), c.Result) << c.Answer << " " << c.Status;
  }
}

TEST_F(FolderUpdate, NoFoldersStillUploadAnEmptyCatalogue) {
  TCannedBackend backend;
  TServiceApi api(backend.BaseUrl());
  TFolderUpdate updates(ProgramFolder(), Client, api);
  Dir.WriteFile("fshare.txt", "old\r\n");
  EXPECT_EQ(updates.RunFolderUpdate({}, 0), 200);
  EXPECT_EQ(test::ReadWholeFile(CatalogueFile()), "");
  EXPECT_TRUE(backend.HasFile());
  EXPECT_EQ(backend.File(), "");
}

TEST_F(FolderUpdate, StopDuringTheWalkEndsIn100AndTouchesNothing) {
  TCannedBackend backend;
  TServiceApi api(backend.BaseUrl());
  TFolderUpdate updates(ProgramFolder(), Client, api);
  for (int i = 0; i < 50; ++i) Dir.WriteFile("many/d" + std::to_string(i) + "/f", "x");
  Dir.WriteFile("fshare.txt", "old catalogue\r\n");

  TRecordingObserver observer;
  observer.OnScan = [&](const TScanProgress& p) {
    if (!p.FolderName.empty()) updates.RequestStop();  // pressed while folders are walked
  };
  EXPECT_EQ(updates.RunFolderUpdate({Share(1, "many")}, 1, &observer), 100);
  EXPECT_EQ(test::ReadWholeFile(CatalogueFile()), "old catalogue\r\n");
  EXPECT_EQ(backend.Requests(), 0);
  EXPECT_EQ(std::count(observer.Phases.begin(), observer.Phases.end(), TUpdatePhase::WalkDone), 0);
}

TEST_F(FolderUpdate, StopDuringTheUploadCutsItOffWith300) {
  TCannedBackend backend;
  backend.Hold();  // the answer never comes on its own
  TServiceApi api(backend.BaseUrl());
  TFolderUpdate updates(ProgramFolder(), Client, api);
  TRecordingObserver observer;
  std::atomic<bool> ended{false};
  ASSERT_EQ(updates.StartFolderUpdate({Share(1, "s")}, 1, &observer, [&] { ended = true; }), 0);
  ASSERT_TRUE(backend.WaitForRequests(1));
  ASSERT_TRUE(observer.WaitForPhase(TUpdatePhase::TransferFinished));  // sent, now waiting
  EXPECT_FALSE(ended);
  updates.RequestStop();
  EXPECT_TRUE(test::WaitFor([&] { return ended.load(); }, 10s));
  EXPECT_EQ(updates.FinishFolderUpdate().UpdateResult, 300);
}

TEST_F(FolderUpdate, SecondRunIsRefusedWhileOneRuns) {
  TCannedBackend backend;
  backend.Hold();
  TServiceApi api(backend.BaseUrl());
  TFolderUpdate updates(ProgramFolder(), Client, api);
  const TFolderList folders{Share(1, "s")};

  ASSERT_EQ(updates.StartFolderUpdate(folders, 1, nullptr), 0);
  ASSERT_TRUE(backend.WaitForRequests(1));
  EXPECT_TRUE(updates.Running());
  EXPECT_EQ(updates.StartFolderUpdate(folders, 1, nullptr), -1);
  EXPECT_EQ(updates.RunFolderUpdate(folders, 1), -1);

  backend.Release();  // the first run goes on undisturbed
  EXPECT_EQ(updates.FinishFolderUpdate().UpdateResult, 200);
  EXPECT_EQ(backend.Requests(), 1);
  EXPECT_FALSE(updates.Running());
  EXPECT_EQ(updates.RunFolderUpdate(folders, 1), 200);  // collected: the next may run
}

TEST_F(FolderUpdate, FolderRowsChangedDuringARunKeepTheirChanges) {
  TCannedBackend backend;
  backend.Hold();
  TServiceApi api(backend.BaseUrl());
  TFolderUpdate updates(ProgramFolder(), Client, api);
  Dir.WriteFile("a/f", "1");
  Dir.WriteFile("b/f", "22");
  Dir.WriteFile("c/f", "333");
  Dir.WriteFile("d/f", "4444");
  TFolderList live{Share(1, "a"), Share(2, "b"), Share(3, "c"), Share(4, "d")};

  ASSERT_EQ(updates.StartFolderUpdate(live, 1, nullptr), 0);
  ASSERT_TRUE(backend.WaitForRequests(1));
  // Meanwhile the member renames a, deletes b, points c elsewhere and adds e.
  live[0].Name = "renamed";
  live.erase(live.begin() + 1);
  live[1].Path = (Dir.Path() / "elsewhere").string();
  live[1].Size = 999;
  TShareFolderNodeData added = Share(9, "e");
  live.push_back(added);
  backend.Release();

  const TFolderUpdateOutcome outcome = updates.FinishFolderUpdate();
  EXPECT_EQ(outcome.UpdateResult, 200);
  EXPECT_EQ(outcome.MeasuredSizes.size(), 4u);  // the snapshot was walked whole
  EXPECT_EQ(ApplyMeasuredSizes(live, outcome.MeasuredSizes), 2);
  ASSERT_EQ(live.size(), 4u);
  EXPECT_EQ(live[0].Name, "renamed");
  EXPECT_EQ(live[0].Size, 1);
  EXPECT_EQ(live[1].PNo, 3);
  EXPECT_EQ(live[1].Size, 999);  // measured for its old path: not applied
  EXPECT_EQ(live[2].PNo, 4);
  EXPECT_EQ(live[2].Size, 4);
  EXPECT_EQ(live[3].PNo, 9);
  EXPECT_EQ(live[3].Size, 0);
}

TEST_F(FolderUpdate, StandInBackendStoresAndReadsTheCatalogue) {
  test::TDevBackend backend;
  ASSERT_TRUE(backend.Start({"--member", "kim:pw:7:100"}));
  TServiceApi api(backend.BaseUrl());
  TFolderUpdate updates(ProgramFolder(), Client, api);
  Dir.WriteFile("자료/문서.txt", "0123456789");
  EXPECT_EQ(updates.RunFolderUpdate({Share(1, "자료")}, 7, nullptr), 200);

  // The backend read our file back from CP949: one folder line, one file line. Folder paths
  // are in this platform's form ("/"), the form the file server opens when a peer sends one.
  const auto state = nlohmann::json::parse(backend.Get("_state"));
  ASSERT_TRUE(state["catalogues"].contains("7")) << state.dump();
  const auto& entries = state["catalogues"]["7"]["entries"];
  ASSERT_EQ(entries.size(), 2u) << state.dump();
  EXPECT_EQ(entries[0]["path"], (Dir.Path() / "자료").string() + "/");
  EXPECT_EQ(entries[0]["name"], "자료");
  EXPECT_EQ(entries[0]["size"], 10);
  EXPECT_EQ(entries[1]["name"], "문서.txt");
  EXPECT_EQ(entries[1]["parent"], entries[0]["no"]);

  // The request as logged: the member number in the query, the catalogue as "file1".
  nlohmann::json upload;
  EXPECT_TRUE(test::WaitFor([&] {
    for (const auto& entry : nlohmann::json::parse(backend.Get("_log")))
      if (entry["path"] == "/save_share_files.php") upload = entry;
    return !upload.is_null();
  }));
  EXPECT_EQ(upload["method"], "POST");
  EXPECT_EQ(upload["query"]["user_pno"], "7");
  ASSERT_EQ(upload["files"].size(), 1u);
  EXPECT_EQ(upload["files"][0]["name"], "file1");
  EXPECT_EQ(upload["files"][0]["filename"], CatalogueFile().string());
  EXPECT_EQ(upload["files"][0]["size"], fs::file_size(CatalogueFile()));
}

}  // namespace
}  // namespace talvesso
