// The installer download against a small local web server: a whole body, a missing file, a
// connection cut in the middle of the body, and bodies without an announced size.
#include "diagnostics/installer_download.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace talvesso {
namespace {

constexpr size_t kChunk = 64 * 1024;

std::string Body(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  return body;
}

class TInstallerSite {
 public:
  explicit TInstallerSite(std::string body) : Body_(std::move(body)) {
    Server_.Get("/p2p/server_setup171.zip",
                [this](const httplib::Request&, httplib::Response& res) {
                  res.set_content(Body_, "application/zip");
                });
    // Announces the whole size, sends part of it and drops the connection.
    Server_.Get("/p2p/server_setup172.zip",
                [this](const httplib::Request&, httplib::Response& res) {
                  res.set_content_provider(Body_.size(), "application/zip",
                                           [this](size_t offset, size_t, httplib::DataSink& sink) {
                                             if (offset >= Body_.size() / 3) return false;
                                             sink.write(Body_.data() + offset, kChunk);
                                             return true;
                                           });
                });
    // No size announced (chunked), whole body.
    Server_.Get("/p2p/server_setup173.zip",
                [this](const httplib::Request&, httplib::Response& res) {
                  res.set_chunked_content_provider(
                      "application/zip", [this](size_t offset, httplib::DataSink& sink) {
                        if (offset >= Body_.size()) {
                          sink.done();
                          return true;
                        }
                        size_t n = std::min(kChunk, Body_.size() - offset);
                        sink.write(Body_.data() + offset, n);
                        return true;
                      });
                });
    // No size announced, cut before the last chunk.
    Server_.Get("/p2p/server_setup174.zip",
                [this](const httplib::Request&, httplib::Response& res) {
                  res.set_chunked_content_provider("application/zip",
                                                   [this](size_t offset, httplib::DataSink& sink) {
                                                     if (offset >= Body_.size() / 2) return false;
                                                     sink.write(Body_.data() + offset, kChunk);
                                                     return true;
                                                   });
                });
    Port_ = Server_.bind_to_any_port("127.0.0.1");
    Thread_ = std::thread([this] { Server_.listen_after_bind(); });
    test::WaitFor([this] { return Server_.is_running(); });
  }
  ~TInstallerSite() {
    Server_.stop();
    Thread_.join();
  }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(Port_) + "/p2p/"; }
  const std::string& Content() const { return Body_; }

 private:
  std::string Body_;
  httplib::Server Server_;
  int Port_ = 0;
  std::thread Thread_;
};

struct TProgressLog {
  std::vector<std::pair<int64_t, int64_t>> Reports;
  TDownloadProgressHandler Handler() {
    return [this](int64_t progress, int64_t total) { Reports.emplace_back(progress, total); };
  }
};

// Files of the program folder besides the installer (a leftover temporary file shows here).
std::vector<std::string> OtherFiles(const test::TTempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    if (entry.path().filename() != "server_setup.exe") names.push_back(entry.path().filename());
  return names;
}

TEST(InstallerDownload, AddressAndTargetOfABuild) {
  EXPECT_EQ(InstallerUrl("http://127.0.0.1:8080/p2p/", 171),
            "http://127.0.0.1:8080/p2p/server_setup171.zip");
  EXPECT_EQ(InstallerPath("/opt/talvesso/"), "/opt/talvesso/server_setup.exe");
}

TEST(InstallerDownload, WholeBodyReplacesTheOldInstallerWithProgressToTheEnd) {
  TInstallerSite site(Body(3 * 1024 * 1024 + 17));
  test::TTempDir dir;
  dir.WriteFile("server_setup.exe", "old installer");
  TProgressLog progress;

  TDownloadResult result = DownloadInstaller(site.BaseUrl(), dir.Folder(), 171, progress.Handler());

  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_EQ(result.HttpStatus, 200);
  EXPECT_TRUE(test::ReadWholeFile(dir.Path() / "server_setup.exe") == site.Content());
  EXPECT_THAT(OtherFiles(dir), testing::IsEmpty());
  ASSERT_FALSE(progress.Reports.empty());
  const int64_t size = static_cast<int64_t>(site.Content().size());
  EXPECT_EQ(progress.Reports.back(), std::make_pair(size, size));
  for (size_t i = 1; i < progress.Reports.size(); ++i)
    EXPECT_LE(progress.Reports[i - 1].first, progress.Reports[i].first);
}

TEST(InstallerDownload, FailuresLeaveNoFileWhereTheInstallerStarts) {
  struct TCase {
    const char* Name;
    int Build;
  };
  const TCase cases[] = {{"missing on the server (404)", 170},
                         {"connection cut mid-body", 172},
                         {"no size announced, cut mid-body", 174}};
  TInstallerSite site(Body(1024 * 1024));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    test::TTempDir dir;
    TProgressLog progress;
    TDownloadResult result =
        DownloadInstaller(site.BaseUrl(), dir.Folder(), c.Build, progress.Handler());
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "server_setup.exe"));
    EXPECT_THAT(OtherFiles(dir), testing::IsEmpty());
  }
}

TEST(InstallerDownload, FailedDownloadKeepsAnOlderInstallerUntouched) {
  TInstallerSite site(Body(1024 * 1024));
  test::TTempDir dir;
  dir.WriteFile("server_setup.exe", "old installer");

  EXPECT_FALSE(DownloadInstaller(site.BaseUrl(), dir.Folder(), 172, nullptr).Ok);

  EXPECT_EQ(test::ReadWholeFile(dir.Path() / "server_setup.exe"), "old installer");
}

TEST(InstallerDownload, BodyWithoutAnnouncedSizeReportsTotalZero) {
  TInstallerSite site(Body(700 * 1024 + 3));
  test::TTempDir dir;
  TProgressLog progress;

  TDownloadResult result = DownloadInstaller(site.BaseUrl(), dir.Folder(), 173, progress.Handler());

  ASSERT_TRUE(result.Ok) << result.Error;
  EXPECT_TRUE(test::ReadWholeFile(dir.Path() / "server_setup.exe") == site.Content());
  ASSERT_FALSE(progress.Reports.empty());
  for (const auto& [bytes, total] : progress.Reports) EXPECT_EQ(total, 0);
  EXPECT_EQ(progress.Reports.back().first, static_cast<int64_t>(site.Content().size()));
}

TEST(InstallerDownload, NoServerFailsAndCancelStopsARunningDownload) {
  test::TTempDir dir;
  {
    // Nothing listens on the port of a server that has just gone.
    std::string base;
    { base = TInstallerSite(Body(10)).BaseUrl(); }
    EXPECT_FALSE(DownloadInstaller(base, dir.Folder(), 171, nullptr).Ok);
  }
  TInstallerSite site(Body(2 * 1024 * 1024));
  std::atomic<bool> cancel{false};
  TDownloadResult result = DownloadInstaller(
      site.BaseUrl(), dir.Folder(), 171,
      [&cancel](int64_t progress, int64_t) {
        if (progress > 0) cancel = true;
      },
      &cancel);
  EXPECT_FALSE(result.Ok);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "server_setup.exe"));
  EXPECT_THAT(OtherFiles(dir), testing::IsEmpty());
}

}  // namespace
}  // namespace talvesso
