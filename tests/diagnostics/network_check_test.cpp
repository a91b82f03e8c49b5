// The network check against the stand-in test server (and a scripted one for byte-level
// cases): its trace, its four results, and its time limits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "diagnostics/TCPChk.h"
#include "diagnostics/test_block.h"
#include "nettestd_fixture.h"
#include "support/temp_dir.h"

namespace talvesso {
namespace {

using std::chrono::milliseconds;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::MatchesRegex;

using TClock = std::chrono::steady_clock;

// Short limits so that the cases with silent or slow servers take a moment only.
TCheckLimits QuickLimits() {
  TCheckLimits limits;
  limits.PortTest = milliseconds(500);
  limits.Connect = milliseconds(500);
  limits.SpeedTest = milliseconds(300);
  limits.ReplyBlock = milliseconds(500);
  return limits;
}

TCheckHost Loopback(int port) { return TCheckHost{"127.0.0.1", port}; }

double SecondsSince(TClock::time_point start) {
  return std::chrono::duration<double>(TClock::now() - start).count();
}

// A socket of "another program" on `port`: listening on 127.0.0.1, or only bound to every
// address (the local connect is refused, yet the port cannot be bound).
class THeldPort {
 public:
  THeldPort(int port, bool listening) {
    Fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(listening ? INADDR_LOOPBACK : INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    Held_ = bind(Fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            (!listening || listen(Fd_, 8) == 0);
  }
  ~THeldPort() { close(Fd_); }
  bool Held() const { return Held_; }

 private:
  int Fd_ = -1;
  bool Held_ = false;
};

class NetworkCheck : public testing::Test {
 protected:
  void StartServer(const std::vector<std::string>& args = {}) {
    ASSERT_TRUE(Server.Start(args)) << "nettestd did not start";
  }
  // The "closed after N speed requests" line of the connection just finished.
  int SpeedRequestsServed() {
    for (int i = 0; i < 10; ++i) {
      std::string line = Server.ReadLine();
      if (line.rfind("closed after ", 0) == 0) return std::stoi(line.substr(13));
      if (line.empty()) break;
    }
    return -1;
  }

  test::TNetTestServer Server;
};

TEST_F(NetworkCheck, FreePortAndWorkingServerLeaveTheFullTrace) {
  StartServer();
  const int port = test::FreePort();
  const std::string p = std::to_string(port);
  TTCPChk check(Loopback(Server.Port()), QuickLimits());

  TNetworkCheckOutcome outcome = check.RunNetworkCheck(p);

  EXPECT_TRUE(outcome.Finished);
  EXPECT_TRUE(outcome.Error.empty());
  EXPECT_TRUE(outcome.SocketErrors.empty());
  auto results = check.Results();
  EXPECT_EQ(results.PortTestResult, -1);
  EXPECT_GT(results.SpeedRounds, 1);
  EXPECT_EQ(results.SpeedTarget, 30);
  EXPECT_TRUE(results.PublicReachable);
  const std::string speedLine = "i = " + std::to_string(results.SpeedRounds) + "/ 30";
  EXPECT_THAT(check.LogLines(),
              ElementsAre("Port Chk " + p, p + " Open Error", "Socket Open", "Connect.....",
                          "Server Connect", speedLine, "IP Test .....", "Client 접속",
                          "!IP Test Ok", "Server DisConnect"));
  // The connect-back request carries the port text; every answered exchange is counted.
  EXPECT_EQ(Server.ReadLine(), "request: ?IP Test " + p);
  EXPECT_EQ(SpeedRequestsServed(), results.SpeedRounds - 1);
}

TEST_F(NetworkCheck, PortHeldByAnotherListenerReportsOneAndDoesNotListen) {
  StartServer();
  const int port = test::FreePort();
  THeldPort other(port, true);
  ASSERT_TRUE(other.Held());
  const std::string p = std::to_string(port);
  TTCPChk check(Loopback(Server.Port()), QuickLimits());

  TNetworkCheckOutcome outcome = check.RunNetworkCheck(p);

  EXPECT_TRUE(outcome.Finished);
  EXPECT_EQ(check.PortTestResult(), 1);
  auto log = check.LogLines();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[1], p + " Open");
  EXPECT_EQ(log[2], "Connect.....");
  EXPECT_THAT(log, testing::Not(testing::Contains("Socket Open")));
  EXPECT_THAT(log, testing::Not(testing::Contains("Client 접속")));
  // The test server reached the other program's listener.
  EXPECT_TRUE(check.PublicReachable());
}

TEST_F(NetworkCheck, PortThatCannotBeBoundStopsTheCheckWithTheBindError) {
  StartServer();
  const int port = test::FreePort();
  THeldPort other(port, false);
  ASSERT_TRUE(other.Held());
  const std::string p = std::to_string(port);
  TTCPChk check(Loopback(Server.Port()), QuickLimits());

  TNetworkCheckOutcome outcome = check.RunNetworkCheck(p);

  EXPECT_FALSE(outcome.Finished);
  EXPECT_THAT(outcome.Error, HasSubstr("bind"));
  EXPECT_EQ(check.PortTestResult(), -1);
  EXPECT_THAT(check.LogLines(), ElementsAre("Port Chk " + p, p + " Open Error"));
  // Nothing later ran: the results of before the check stand.
  EXPECT_EQ(check.SpeedRounds(), 1);
  EXPECT_EQ(check.SpeedTarget(), 0);
  EXPECT_TRUE(check.PublicReachable());
  EXPECT_FALSE(check.Running());
}

TEST_F(NetworkCheck, SilentServerEndsAfterOneReplyLimitUnreachable) {
  StartServer({"--mode", "silent"});
  TTCPChk check(Loopback(Server.Port()), QuickLimits());
  auto start = TClock::now();

  check.RunNetworkCheck(std::to_string(test::FreePort()));

  EXPECT_LT(SecondsSince(start), 1.5);
  EXPECT_FALSE(check.PublicReachable());
  EXPECT_EQ(check.SpeedRounds(), 1);
  EXPECT_EQ(check.SpeedTarget(), 0);
  auto log = check.LogLines();
  EXPECT_THAT(log, testing::Contains("Server DisConnect"));
  EXPECT_THAT(log, testing::Not(testing::Contains("IP Test .....")));
  EXPECT_EQ(log.back(), "i = 1/");
}

TEST_F(NetworkCheck, SlowServerWithinTheLimitIsCountedRoundByRound) {
  StartServer({"--mode", "slow", "--slow-ms", "120"});
  TCheckLimits limits = QuickLimits();
  limits.SpeedTest = milliseconds(500);
  TTCPChk check(Loopback(Server.Port()), limits);

  check.RunNetworkCheck(std::to_string(test::FreePort()));

  // Exchanges start until 500 ms have passed, each taking about 120 ms.
  EXPECT_GE(check.SpeedRounds(), 3);
  EXPECT_LE(check.SpeedRounds(), 7);
  EXPECT_EQ(check.SpeedTarget(), 30);
  EXPECT_TRUE(check.PublicReachable());
}

TEST_F(NetworkCheck, SlowServerBeyondTheLimitIsTreatedAsSilent) {
  StartServer({"--mode", "slow", "--slow-ms", "900"});
  TTCPChk check(Loopback(Server.Port()), QuickLimits());
  auto start = TClock::now();

  check.RunNetworkCheck(std::to_string(test::FreePort()));

  EXPECT_LT(SecondsSince(start), 1.5);
  EXPECT_EQ(check.SpeedRounds(), 1);
  EXPECT_FALSE(check.PublicReachable());
}

TEST_F(NetworkCheck, ServerVanishingMidTestEndsTheWaitAtOnce) {
  StartServer({"--mode", "close-mid-test"});
  TCheckLimits limits = QuickLimits();
  limits.SpeedTest = milliseconds(3000);
  limits.ReplyBlock = milliseconds(3000);
  TTCPChk check(Loopback(Server.Port()), limits);
  auto start = TClock::now();

  TNetworkCheckOutcome outcome = check.RunNetworkCheck(std::to_string(test::FreePort()));

  EXPECT_TRUE(outcome.Finished);
  EXPECT_LT(SecondsSince(start), 1.0);
  // Two answered exchanges; the third was not answered and not counted.
  EXPECT_EQ(check.SpeedRounds(), 3);
  EXPECT_EQ(check.SpeedTarget(), 30);
  EXPECT_FALSE(check.PublicReachable());
  auto log = check.LogLines();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "Server DisConnect");
  EXPECT_EQ(log.back(), "i = 3/ 30");
}

TEST_F(NetworkCheck, TwoChecksInARowThenAGoneServerKeepsTheSpeedResults) {
  StartServer({"--speed", "    12"});
  const int port = test::FreePort();
  const std::string p = std::to_string(port);
  TTCPChk check(Loopback(Server.Port()), QuickLimits());

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    size_t before = check.LogLines().size();
    EXPECT_TRUE(check.RunNetworkCheck(p).Finished);
    EXPECT_EQ(check.PortTestResult(), -1);  // the first check closed its listening socket
    EXPECT_EQ(check.SpeedTarget(), 12);
    EXPECT_TRUE(check.PublicReachable());
    EXPECT_EQ(check.LogLines().size() - before, 10u);
  }
  const int32_t rounds = check.SpeedRounds();

  Server.Stop();
  EXPECT_TRUE(check.RunNetworkCheck(p).Finished);

  EXPECT_EQ(check.PortTestResult(), -1);
  EXPECT_EQ(check.SpeedRounds(), rounds);
  EXPECT_EQ(check.SpeedTarget(), 12);
  EXPECT_FALSE(check.PublicReachable());
  auto log = check.LogLines();
  std::vector<std::string> last(log.end() - 4, log.end());
  EXPECT_THAT(last, ElementsAre("Port Chk " + p, p + " Open Error", "Socket Open", "Connect....."));
  EXPECT_LE(log.size(), 100u);
}

TEST_F(NetworkCheck, PortTextThatIsNoNumberTestsPort4098ButIsSentAsWritten) {
  THeldPort other(4098, true);
  if (!other.Held()) GTEST_SKIP() << "port 4098 is in use on this machine";
  StartServer();
  TTCPChk check(Loopback(Server.Port()), QuickLimits());

  check.RunNetworkCheck("abc");

  EXPECT_EQ(check.PortTestResult(), 1);  // it was port 4098 that was found taken
  auto log = check.LogLines();
  EXPECT_EQ(log[0], "Port Chk abc");
  EXPECT_EQ(log[1], "abc Open");
  EXPECT_EQ(Server.ReadLine(), "request: ?IP Test abc");
  EXPECT_EQ(log.back(), "Server DisConnect");
  EXPECT_EQ(log[log.size() - 2], "!IP Test Fail");
  EXPECT_FALSE(check.PublicReachable());
}

TEST_F(NetworkCheck, NoTestServerSkipsBothTestsQuickly) {
  const int deadPort = test::FreePort();  // nothing listens there
  TTCPChk check(Loopback(deadPort), QuickLimits());
  auto start = TClock::now();

  TNetworkCheckOutcome outcome = check.RunNetworkCheck(std::to_string(test::FreePort()));

  EXPECT_TRUE(outcome.Finished);
  EXPECT_TRUE(outcome.SocketErrors.empty());  // "refused" is not reported
  EXPECT_LT(SecondsSince(start), 1.0);
  EXPECT_EQ(check.SpeedRounds(), 1);
  EXPECT_FALSE(check.PublicReachable());
  EXPECT_EQ(check.LogLines().back(), "Connect.....");
}

// Replies written as one block plus the first byte of the next, the rest of which follows in
// pieces with pauses: each reply must still be exactly its own block.
TEST(NetworkCheckBlocks, SplitAndOverlongRepliesAreAssembledBlockByBlock) {
  bool first = true;
  test::TScriptedTestServer server([&first](const std::string& request) {
    std::string text = request.rfind("?Speed Test ", 0) == 0
                           ? "!Speed Test " + std::to_string(std::stoi(request.substr(12)) * 7)
                           : std::string("!IP Test Ok");
    std::string block = MakeTestBlock(text);
    if (first) {
      first = false;
      return std::vector<std::string>{block + "!"};
    }
    std::string rest = block.substr(1) + "!";
    return std::vector<std::string>{rest.substr(0, 1000), rest.substr(1000, 2000),
                                    rest.substr(3000)};
  });
  TTCPChk check(Loopback(server.Port()), QuickLimits());

  EXPECT_TRUE(check.RunNetworkCheck(std::to_string(test::FreePort())).Finished);

  const int32_t rounds = check.SpeedRounds();
  ASSERT_GT(rounds, 2);
  EXPECT_EQ(check.SpeedTarget(), (rounds - 1) * 7);
  EXPECT_TRUE(check.PublicReachable());
  EXPECT_THAT(check.LogLines(), testing::Contains("i = " + std::to_string(rounds) + "/ " +
                                                  std::to_string((rounds - 1) * 7)));
}

TEST(NetworkCheckBlocks, OnlyTheExactTextIpTestOkMeansReachable) {
  struct TCase {
    std::string Reply;
    bool Reachable;
  };
  const TCase cases[] = {{"!IP Test Ok", true},
                         {"!IP Test OK", false},
                         {"!IP Test Ok ", false},
                         {"!IP Test Fail", false},
                         {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Reply);
    test::TScriptedTestServer server([&c](const std::string& request) {
      std::string text = request.rfind("?IP Test ", 0) == 0 ? c.Reply : "!Speed Test 5";
      return std::vector<std::string>{MakeTestBlock(text)};
    });
    TTCPChk check(Loopback(server.Port()), QuickLimits());
    check.RunNetworkCheck(std::to_string(test::FreePort()));
    EXPECT_EQ(check.PublicReachable(), c.Reachable);
    EXPECT_EQ(check.SpeedTarget(), 5);
    EXPECT_EQ(check.LogLines()[check.LogLines().size() - 2], c.Reply);
  }
}

TEST(NetworkCheckAsync, CompletionHandlerRunsAfterResultsAndCancelEndsASilentCheck) {
  test::TNetTestServer server;
  ASSERT_TRUE(server.Start({"--mode", "silent"}));
  // Default limits: the silent server would hold the check for the 5-second reply limit.
  TTCPChk check(Loopback(server.Port()));
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool reachableSeen = true;

  ASSERT_TRUE(
      check.StartNetworkCheck(std::to_string(test::FreePort()), [&](const TNetworkCheckOutcome&) {
        std::lock_guard lock(mutex);
        reachableSeen = check.PublicReachable();
        finished = true;
        done.notify_all();
      }));
  EXPECT_TRUE(test::WaitFor([&] {
    auto log = check.LogLines();
    return !log.empty() && log.back() == "Server Connect";
  }));
  EXPECT_TRUE(check.Running());
  EXPECT_FALSE(check.StartNetworkCheck("1", nullptr));  // one check at a time
  EXPECT_FALSE(check.RunNetworkCheck("1").Finished);

  auto start = TClock::now();
  check.Cancel();
  std::unique_lock lock(mutex);
  EXPECT_TRUE(done.wait_for(lock, std::chrono::seconds(2), [&] { return finished; }));
  EXPECT_LT(SecondsSince(start), 1.0);
  EXPECT_FALSE(reachableSeen);
  lock.unlock();
  check.Wait();
  EXPECT_FALSE(check.Running());
}

// With the default limits a server that never answers holds the check for one reply limit
// (5 s), far below the 20 s that bound any check.
TEST(NetworkCheckLimits, DefaultLimitsBoundACheckAgainstASilentServer) {
  test::TNetTestServer server;
  ASSERT_TRUE(server.Start({"--mode", "silent"}));
  TTCPChk check(Loopback(server.Port()));
  auto start = TClock::now();

  EXPECT_TRUE(check.RunNetworkCheck(std::to_string(test::FreePort())).Finished);

  const double seconds = SecondsSince(start);
  EXPECT_GE(seconds, 4.5);
  EXPECT_LT(seconds, 7.0);
  EXPECT_FALSE(check.PublicReachable());
}

}  // namespace
}  // namespace talvesso
