// The shared client: its extra headers, cookies, a new connection per request, progress, cancel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "support/temp_dir.h"
#include "webclient/wire_helpers.h"

namespace talvesso::test {
namespace {

using ::testing::ElementsAre;

TEST(SharedClient, AddsCacheControlAndRefererInTheirPlaces) {
  TCaptureServer server;
  TSharedHttpClient client;
  std::string url = server.BaseUrl() + "save_share_files.php?user_pno=7#x";
  EXPECT_EQ(client.ServicePostTracked(RequestTo(url)), "##%%OK%%##");
  ASSERT_TRUE(server.WaitForRequests(1));
  TCapturedRequest r = server.Requests()[0];
  EXPECT_EQ(r.RequestLine, "POST /save_share_files.php?user_pno=7 HTTP/1.0");
  EXPECT_THAT(r.HeaderNames(),
              ElementsAre("Connection", "Content-Type", "Content-Length", "Cache-control", "Host",
                          "Accept", "Accept-Encoding", "Referer", "User-Agent"));
  EXPECT_EQ(r.Header("Cache-control"), "no-cache");
  EXPECT_EQ(r.Header("Referer"), server.BaseUrl() + "save_share_files.php?user_pno=7");
  EXPECT_EQ(r.Body, ExpectedBody(BoundaryOf(r), UidOf(r), {}));
}

TEST(SharedClient, KeepsCookiesAcrossRequestsUnlikeAFreshClient) {
  TCaptureServer server([](const TCapturedRequest& r) {
    if (r.RequestLine.find("/login") != std::string::npos)
      return TReply::Http(200, "##%%OK%%##", "Set-Cookie: sid=abc123; Path=/\r\n");
    return TReply::Http(200, "##%%OK%%##");
  });
  TSharedHttpClient client;
  client.ServicePostTracked(RequestTo(server.BaseUrl() + "login"));
  client.ServicePostTracked(RequestTo(server.BaseUrl() + "next"));
  ServicePost(RequestTo(server.BaseUrl() + "login"));
  ServicePost(RequestTo(server.BaseUrl() + "next"));
  ASSERT_TRUE(server.WaitForRequests(4));
  auto requests = server.Requests();
  EXPECT_FALSE(requests[0].HasHeader("Cookie"));
  EXPECT_EQ(requests[1].Header("Cookie"), "sid=abc123");
  // libcurl writes its cookie line straight after the request line; the rest keep their order.
  EXPECT_THAT(requests[1].HeaderNames(),
              ElementsAre("Cookie", "Connection", "Content-Type", "Content-Length", "Cache-control",
                          "Host", "Accept", "Accept-Encoding", "Referer", "User-Agent"));
  EXPECT_FALSE(requests[3].HasHeader("Cookie"));
}

TEST(SharedClient, OpensANewConnectionForEveryRequest) {
  TCaptureServer server([](const TCapturedRequest&) {
    TReply reply = TReply::Http(200, "##%%OK%%##", "Connection: keep-alive\r\n");
    reply.KeepOpen = true;
    return reply;
  });
  TSharedHttpClient client;
  EXPECT_EQ(client.ServicePostTracked(RequestTo(server.BaseUrl() + "a")), "##%%OK%%##");
  EXPECT_EQ(client.ServicePostTracked(RequestTo(server.BaseUrl() + "b")), "##%%OK%%##");
  ASSERT_TRUE(server.WaitForRequests(2));
  auto requests = server.Requests();
  EXPECT_EQ(requests[0].Connection, 0);
  EXPECT_EQ(requests[1].Connection, 1);
}

TEST(SharedClient, ReportsBytesSentThenBytesReceivedWithAnEndAfterEach) {
  TTempDir dir;
  auto file = dir.WriteFile("fshare.txt", std::string(3 * 1024 * 1024, 'x'));
  const std::string answer = "##%%OK%%##" + std::string(200000, '.');
  TCaptureServer server([&](const TCapturedRequest&) { return TReply::Http(200, answer); });
  TSharedHttpClient client;
  std::vector<int64_t> events;  // byte counts; -1 marks an end
  client.OnWork = [&](int64_t count) { events.push_back(count); };
  client.OnWorkEnd = [&] { events.push_back(-1); };
  TServiceRequest request = RequestTo(server.BaseUrl() + "save_share_files.php");
  request.File1 = file.string();
  EXPECT_EQ(client.ServicePostTracked(request), answer);
  ASSERT_TRUE(server.WaitForRequests(1));
  int64_t bodySize = static_cast<int64_t>(server.Requests()[0].Body.size());

  auto firstEnd = std::find(events.begin(), events.end(), -1);
  ASSERT_NE(firstEnd, events.end());
  ASSERT_EQ(std::count(events.begin(), events.end(), -1), 2);
  EXPECT_EQ(events.back(), -1);
  std::vector<int64_t> sent(events.begin(), firstEnd);
  std::vector<int64_t> received(firstEnd + 1, events.end() - 1);
  ASSERT_FALSE(sent.empty());
  EXPECT_TRUE(std::is_sorted(sent.begin(), sent.end()));
  EXPECT_GT(sent.size(), 1u) << "a 3 MiB upload should report progress on the way";
  EXPECT_EQ(sent.back(), bodySize);
  ASSERT_FALSE(received.empty());
  EXPECT_TRUE(std::is_sorted(received.begin(), received.end()));
  EXPECT_EQ(received.back(), static_cast<int64_t>(answer.size()));
}

TEST(SharedClient, CancelFromAnotherThreadEndsTheRequestEmpty) {
  TCaptureServer server([](const TCapturedRequest& r) {
    TReply reply = TReply::Http(200, "##%%OK%%##");
    reply.Hang = r.RequestLine.find("/hang") != std::string::npos;
    return reply;
  });
  TSharedHttpClient client;
  client.Cancel();  // nothing under way: no effect on the next request
  EXPECT_EQ(client.ServicePostTracked(RequestTo(server.BaseUrl() + "ok")), "##%%OK%%##");

  std::thread canceller([&] {
    server.WaitForRequests(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    client.Cancel();
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.ServicePostTracked(RequestTo(server.BaseUrl() + "hang")), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  canceller.join();
  // The client works again afterwards.
  EXPECT_EQ(client.ServicePostTracked(RequestTo(server.BaseUrl() + "ok")), "##%%OK%%##");
}

}  // namespace
}  // namespace talvesso::test
