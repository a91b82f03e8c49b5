// The listener: port checks, connection limits, stop and restart, the status summary.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "fileserver_fixture.h"

namespace talvesso::test {
namespace {

using namespace std::chrono_literals;

TEST(CheckPort, FreeTakenAndSystemChosenPorts) {
  std::string error;
  const int chosen = TSvrModule::CheckPort(0, &error);
  ASSERT_GT(chosen, 0);
  EXPECT_EQ(TSvrModule::CheckPort(chosen, &error), chosen);  // free again after the check

  // Another program listens on it.
  int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
  int off = 0;
  ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  sockaddr_in6 at{};
  at.sin6_family = AF_INET6;
  at.sin6_addr = in6addr_any;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  ASSERT_EQ(::listen(fd, 1), 0);
  socklen_t len = sizeof at;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &len);
  const int taken = ntohs(at.sin6_port);
  error.clear();
  EXPECT_EQ(TSvrModule::CheckPort(taken, &error), -1);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(TSvrModule::CheckPort(70000, &error), -1);

  TSettings settings;
  TFakeBackend backend;
  TSvrModule server(settings, backend, nullptr);
  EXPECT_EQ(server.StartListener(taken, 0), kListenFailed);
  EXPECT_FALSE(server.Listening());
  ::close(fd);
  EXPECT_EQ(server.StartListener(taken, 0), kListenStarted);
  EXPECT_TRUE(server.Listening());
  EXPECT_EQ(server.LocalPort(), taken);
}

TEST_F(TFileServerTest, ConnectionLimitAcceptsNAndClosesTheNextWithoutAByte) {
  constexpr int kLimit = 3;
  StartServer(kLimit);
  TPeer peers[kLimit];
  for (auto& p : peers) ASSERT_TRUE(p.Connect(Port));
  ASSERT_TRUE(WaitFor([&] { return Server->SessionCount() == kLimit; }));

  TPeer extra;
  ASSERT_TRUE(extra.Connect(Port));  // the kernel accepts; the server closes it at once
  EXPECT_TRUE(extra.ClosedByServer());
  EXPECT_EQ(Server->SessionCount(), kLimit);

  peers[0].Abort();
  ASSERT_TRUE(WaitFor([&] { return Server->SessionCount() == kLimit - 1; }));
  TPeer next;
  ASSERT_TRUE(next.Connect(Port));
  ASSERT_TRUE(WaitFor([&] { return Server->SessionCount() == kLimit; }));
  auto path = ShareFile("f.txt", "ok");
  ASSERT_TRUE(next.Send(DownloadRequest(path.string())));
  EXPECT_EQ(ReadReply(next).Bytes, "ok");
}

TEST_F(TFileServerTest, LimitZeroAcceptsAnyNumber) {
  StartServer(0);
  TPeer peers[12];
  for (auto& p : peers) ASSERT_TRUE(p.Connect(Port));
  EXPECT_TRUE(WaitFor([&] { return Server->SessionCount() == 12; }));
}

TEST_F(TFileServerTest, StopClosesRunningTransfersAndAFreshStartWorks) {
  StartServer();
  auto big = SparseFile("big.bin", 1024LL * 1048576);
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send(DownloadRequest(big.string())));
  ASSERT_EQ(peer.ReadLine(), "FILE_SEND");
  ASSERT_TRUE(WaitForState(kStateSending));
  // The peer stops reading; the sender blocks on a full socket until the stop.
  EXPECT_TRUE(Server->StopListener());
  EXPECT_FALSE(Server->Listening());
  EXPECT_EQ(Server->SessionCount(), 0);
  EXPECT_TRUE(WaitForState(kStateError));
  EXPECT_TRUE(WaitForCosts(1));

  ASSERT_EQ(Server->StartListener(0, 0), kListenStarted);
  TPeer again;
  ASSERT_TRUE(again.Connect(Server->LocalPort()));
  auto small = ShareFile("s.txt", "again");
  ASSERT_TRUE(again.Send(DownloadRequest(small.string())));
  EXPECT_EQ(ReadReply(again).Bytes, "again");
}

TEST_F(TFileServerTest, SummaryCountsSessionsAndKeepsTheLastPositiveRate) {
  StartServer();
  auto path = ShareFile("f.txt", std::string(5000, 'x'));
  {
    TPeer peer;
    ASSERT_TRUE(peer.Connect(Port));
    ASSERT_TRUE(peer.Send(DownloadRequest(path.string())));
    EXPECT_EQ(ReadReply(peer).Bytes.size(), 5000u);
    ASSERT_TRUE(WaitForState(kStateComplete));
    // A finished transfer still counts until its peer leaves.
    EXPECT_EQ(Server->SumSpeeds(), 5000);
    Server->UpdateTransferSummary();
    EXPECT_EQ(Observer.LastSummary().Text, "전송상태: 5 KB/Sec (1/10)");
  }
  ASSERT_TRUE(WaitFor([&] { return Server->SessionCount() == 0; }));
  ASSERT_TRUE(WaitFor([&] { return Observer.LastSummary().SessionCount == 0; }));
  EXPECT_EQ(Observer.LastSummary().Text, "전송상태: 0 bytes/Sec (0/10)");
  EXPECT_EQ(Server->LastServerBps(), 5000);
  EXPECT_EQ(Server->SumSpeeds(), 0);
}

TEST_F(TFileServerTest, DestroyingTheModuleWhileTransfersRunEndsThemCleanly) {
  StartServer();
  auto big = SparseFile("big.bin", 1024LL * 1048576);
  TPeer peers[3];
  for (auto& p : peers) {
    ASSERT_TRUE(p.Connect(Port));
    ASSERT_TRUE(p.Send(DownloadRequest(big.string())));
  }
  ASSERT_TRUE(WaitFor([&] { return Backend.DownStarts().size() == 3; }));
  Server.reset();  // must neither hang nor leave a thread behind
  // Every transfer ended (write failed) and was accounted before the module went.
  EXPECT_EQ(Backend.Costs().size(), 3u);
}

}  // namespace
}  // namespace talvesso::test
