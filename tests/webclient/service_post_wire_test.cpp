// What ServicePost and ServiceGet put on the wire, byte for byte, and how they fail.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <thread>

#include "support/temp_dir.h"
#include "webclient/wire_helpers.h"

namespace talvesso::test {
namespace {

using std::chrono::system_clock;
using ::testing::ElementsAre;
using ::testing::MatchesRegex;

const std::vector<std::string> kFreshHeaders{"Connection", "Content-Type", "Content-Length",
                                             "Host",       "Accept",       "Accept-Encoding",
                                             "User-Agent"};

system_clock::time_point BoundaryTime(const std::string& boundary) {
  std::string d = boundary.substr(8);
  std::tm local{};
  local.tm_mon = std::stoi(d.substr(0, 2)) - 1;
  local.tm_mday = std::stoi(d.substr(2, 2));
  local.tm_year = 100 + std::stoi(d.substr(4, 2));
  local.tm_hour = std::stoi(d.substr(6, 2));
  local.tm_min = std::stoi(d.substr(8, 2));
  local.tm_sec = std::stoi(d.substr(10, 2));
  local.tm_isdst = -1;
  return system_clock::from_time_t(std::mktime(&local)) +
         std::chrono::milliseconds(std::stoi(d.substr(12, 3)));
}

TEST(ServicePostWire, RequestWithoutFieldsIsTheFiveLineUidBody) {
  TCaptureServer server;
  auto before = system_clock::now();
  std::string answer = ServicePost(RequestTo(server.BaseUrl() + "p2p/get_server_ver.php"));
  auto after = system_clock::now();
  EXPECT_EQ(answer, "##%%OK%%##");
  ASSERT_TRUE(server.WaitForRequests(1));
  TCapturedRequest r = server.Requests()[0];

  EXPECT_EQ(r.RequestLine, "POST /p2p/get_server_ver.php HTTP/1.0");
  EXPECT_EQ(r.HeaderNames(), kFreshHeaders);
  EXPECT_EQ(r.Header("Connection"), "keep-alive");
  EXPECT_EQ(r.Header("Host"), "127.0.0.1:" + std::to_string(server.Port()));
  EXPECT_EQ(r.Header("Accept"), "text/html, */*");
  EXPECT_EQ(r.Header("Accept-Encoding"), "identity");
  EXPECT_EQ(r.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT)");
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(r.Body.size()));

  std::string boundary = BoundaryOf(r);
  ASSERT_THAT(boundary, MatchesRegex("--------[0-9]{15}"));
  auto stamped = BoundaryTime(boundary);
  EXPECT_GE(stamped, std::chrono::time_point_cast<std::chrono::milliseconds>(before) -
                         std::chrono::milliseconds(1));
  EXPECT_LE(stamped, after);

  std::string uid = UidOf(r);
  EXPECT_THAT(uid, MatchesRegex("[0-9A-F]{32}"));
  EXPECT_EQ(r.Body, ExpectedBody(boundary, uid, {}));
}

TEST(ServicePostWire, FieldsAndFilesFollowTheUidInOrder) {
  TTempDir dir;
  std::string binary("a\0b\r\n--c\xFF", 9);
  auto file1 = dir.WriteFile("cat alog.txt", binary);
  auto file2 = dir.WriteFile("two.txt", "second");
  TCaptureServer server;
  TServiceRequest request = RequestTo(server.BaseUrl() + "save.php?x=1");
  // Values go out as raw bytes, CR LF and quotes included.
  request.FieldNames = {"server_name", "memo"};
  request.FieldValues = {"\xB3\xBB \"srv\"", "line1\r\nline2"};
  request.File1 = file1.string();
  request.File2 = file2.string();
  ServicePost(request);
  ASSERT_TRUE(server.WaitForRequests(1));
  TCapturedRequest r = server.Requests()[0];
  EXPECT_EQ(r.RequestLine, "POST /save.php?x=1 HTTP/1.0");
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(r.Body.size()));
  EXPECT_EQ(r.Body,
            ExpectedBody(BoundaryOf(r), UidOf(r),
                         {{"server_name", "\xB3\xBB \"srv\""}, {"memo", "line1\r\nline2"}},
                         {{"file1", file1.string(), binary}, {"file2", file2.string(), "second"}}));
}

TEST(ServicePostWire, BlankMissingOrFolderPathsLeaveTheFilePartOut) {
  TTempDir dir;
  TCaptureServer server;
  for (std::string path :
       {std::string("   "), (dir.Path() / "missing.txt").string(), dir.Folder()}) {
    TServiceRequest request = RequestTo(server.BaseUrl() + "save.php");
    request.File1 = path;
    EXPECT_EQ(ServicePost(request), "##%%OK%%##") << path;
  }
  ASSERT_TRUE(server.WaitForRequests(3));
  for (const auto& r : server.Requests())
    EXPECT_EQ(r.Body, ExpectedBody(BoundaryOf(r), UidOf(r), {}));
}

TEST(ServicePostWire, ALargeFileIsSentWhole) {
  TTempDir dir;
  std::string content(5 * 1024 * 1024 + 3, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 131) >> 3);
  auto file = dir.WriteFile("big.bin", content);
  TCaptureServer server;
  TServiceRequest request = RequestTo(server.BaseUrl() + "save.php");
  request.File1 = file.string();
  EXPECT_EQ(ServicePost(request), "##%%OK%%##");
  ASSERT_TRUE(server.WaitForRequests(1));
  TCapturedRequest r = server.Requests()[0];
  EXPECT_EQ(r.Header("Content-Length"), std::to_string(r.Body.size()));
  EXPECT_TRUE(r.Body ==
              ExpectedBody(BoundaryOf(r), UidOf(r), {}, {{"file1", file.string(), content}}));
}

TEST(ServicePostWire, EveryRequestCarriesANewUid) {
  TCaptureServer server;
  ServicePost(RequestTo(server.BaseUrl() + "a.php"));
  ServicePost(RequestTo(server.BaseUrl() + "a.php"));
  ASSERT_TRUE(server.WaitForRequests(2));
  auto requests = server.Requests();
  EXPECT_THAT(UidOf(requests[0]), MatchesRegex("[0-9A-F]{32}"));
  EXPECT_NE(UidOf(requests[0]), UidOf(requests[1]));
}

TEST(ServicePostWire, UrlGoesOutAsGivenSaveSlashesAndFragment) {
  TCaptureServer server;
  struct TCase {
    std::string Tail;
    std::string RequestLine;
  } cases[] = {
      {"p2p\\login_user.php?user_id=\xB0\xA1&user_pass=ab#cd",
       "POST /p2p/login_user.php?user_id=\xB0\xA1&user_pass=ab HTTP/1.0"},
      {"a.php?dir=C:\\x\\y", "POST /a.php?dir=C:/x/y HTTP/1.0"},
      {"", "POST / HTTP/1.0"},
  };
  for (const auto& c : cases) ServicePost(RequestTo(server.BaseUrl() + c.Tail));
  ASSERT_TRUE(server.WaitForRequests(std::size(cases)));
  auto requests = server.Requests();
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(requests[i].RequestLine, cases[i].RequestLine);
}

TEST(ServicePostWire, FailuresGiveAnEmptyAnswer) {
  TCaptureServer server([](const TCapturedRequest& r) {
    if (r.RequestLine.find("/404") != std::string::npos)
      return TReply::Http(404, "##%%OK%%## not found");
    if (r.RequestLine.find("/500") != std::string::npos)
      return TReply::Http(500, "##%%OK%%## oops");
    if (r.RequestLine.find("/garbage") != std::string::npos)
      return TReply{"this is not HTTP\r\n\r\n"};
    if (r.RequestLine.find("/cut") != std::string::npos)
      return TReply{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n##%%OK%%##"};
    return TReply::Http(200, "##%%OK%%##");
  });
  for (std::string url :
       {server.BaseUrl() + "404", server.BaseUrl() + "500", server.BaseUrl() + "garbage",
        server.BaseUrl() + "cut", "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/a.php",
        std::string("get_cost.php")}) {
    EXPECT_EQ(ServicePost(RequestTo(url)), "") << url;
  }
  // Field lists that do not pair up are not sent at all.
  TServiceRequest uneven = RequestTo(server.BaseUrl() + "ok");
  uneven.FieldNames = {"a", "b"};
  uneven.FieldValues = {"1"};
  EXPECT_EQ(ServicePost(uneven), "");
  EXPECT_EQ(ServicePost(RequestTo(server.BaseUrl() + "ok")), "##%%OK%%##");
}

TEST(ServicePostWire, RedirectsAreFollowedToTheFinalBody) {
  TTempDir dir;
  auto file = dir.WriteFile("f.txt", "payload");
  TCaptureServer target(
      [](const TCapturedRequest& r) { return TReply::Http(200, "final " + r.RequestLine); });
  TCaptureServer origin([&](const TCapturedRequest& r) {
    std::string code = r.RequestLine.find("/307") != std::string::npos ? "307" : "302";
    return TReply{"HTTP/1.0 " + code + " Moved\r\nLocation: " + target.BaseUrl() +
                  "next.php?q=" + code + "\r\nContent-Length: 0\r\n\r\n"};
  });
  TServiceRequest request = RequestTo(origin.BaseUrl() + "302");
  request.File1 = file.string();
  EXPECT_EQ(ServicePost(request), "final GET /next.php?q=302 HTTP/1.0");
  request.Url = origin.BaseUrl() + "307";
  EXPECT_EQ(ServicePost(request), "final POST /next.php?q=307 HTTP/1.0");
  ASSERT_TRUE(target.WaitForRequests(2));
  auto arrived = target.Requests();
  EXPECT_EQ(arrived[0].Body, "");
  EXPECT_EQ(arrived[0].Header("Host"), "127.0.0.1:" + std::to_string(target.Port()));
  // 307 repeats the POST as it was: same body, file included.
  auto first = origin.Requests()[1];
  EXPECT_EQ(arrived[1].Body, first.Body);
  EXPECT_EQ(arrived[1].Header("Host"), "127.0.0.1:" + std::to_string(target.Port()));
}

TEST(ServicePostWire, FifteenRedirectsAreFollowedNotSixteen) {
  for (int redirects : {15, 16}) {
    std::atomic<int> seen{0};
    TCaptureServer server([&](const TCapturedRequest&) {
      if (seen++ < redirects)
        return TReply{"HTTP/1.0 302 Moved\r\nLocation: /again\r\nContent-Length: 0\r\n\r\n"};
      return TReply::Http(200, "##%%OK%%##");
    });
    std::string answer = ServicePost(RequestTo(server.BaseUrl() + "start"));
    EXPECT_EQ(answer, redirects == 15 ? "##%%OK%%##" : "") << redirects;
    EXPECT_EQ(seen.load(), 16) << redirects;
  }
}

TEST(ServicePostWire, AServerThatStallsIsGivenUp) {
  TShortTimeouts shortTimeouts(std::chrono::seconds(1));
  TCaptureServer server([](const TCapturedRequest&) {
    TReply reply;
    reply.Hang = true;
    return reply;
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ServicePost(RequestTo(server.BaseUrl() + "a.php")), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(ServicePostWire, ManyThreadsAtOnce) {
  TCaptureServer server([](const TCapturedRequest& r) {
    TReply reply = TReply::Http(200, "##%%OK%%##\r\n" + r.RequestLine);
    reply.Delay = std::chrono::milliseconds(50);
    return reply;
  });
  constexpr int kThreads = 8;
  std::vector<std::string> answers(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] {
      answers[i] = ServicePost(RequestTo(server.BaseUrl() + "n" + std::to_string(i)));
    });
  for (auto& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i)
    EXPECT_EQ(answers[i], "##%%OK%%##\r\nPOST /n" + std::to_string(i) + " HTTP/1.0");
}

TEST(ServiceGetWire, PlainGetWithoutBody) {
  TCaptureServer server(
      [](const TCapturedRequest&) { return TReply::Http(200, "<html>ok</html>"); });
  EXPECT_EQ(ServiceGet(server.BaseUrl() + "set_server_status.php?user_pno=1&port=2&status=0"),
            "<html>ok</html>");
  ASSERT_TRUE(server.WaitForRequests(1));
  TCapturedRequest r = server.Requests()[0];
  EXPECT_EQ(r.RequestLine, "GET /set_server_status.php?user_pno=1&port=2&status=0 HTTP/1.0");
  EXPECT_FALSE(r.HasHeader("Content-Type"));
  EXPECT_FALSE(r.HasHeader("Content-Length"));
  EXPECT_EQ(r.Body, "");
}

}  // namespace
}  // namespace talvesso::test
