// The sender's outcomes, row by row: reply, final state, volume report, connection.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "fileserver_fixture.h"

namespace talvesso::test {
namespace {

using namespace std::chrono_literals;

std::string Pattern(size_t size, char seed = 0) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  return s;
}

struct TOutcomeCase {
  const char* Name;
  int64_t FileSize;  // -1: no file
  int64_t Offset;
  int BackendAnswer;  // what SetDownStart answers
  // Done to the file while the backend call runs (between the checks and the opening).
  std::function<void(const std::filesystem::path&)> DuringDownStart;
  std::string Reply;
  int32_t State;
  int64_t BytesAfterHeader;  // file bytes the peer gets
  bool DownStartCalled;
  std::optional<int32_t> Packets;  // the volume report, if any
  bool StaysOpen;
};

void PrintTo(const TOutcomeCase& c, std::ostream* os) { *os << c.Name; }

class SenderOutcome : public TFileServerTest, public ::testing::WithParamInterface<TOutcomeCase> {};

TEST_P(SenderOutcome, ReplyStateReportAndConnection) {
  const TOutcomeCase& c = GetParam();
  StartServer();
  auto path = Share / "file.bin";
  const std::string content = c.FileSize >= 0 ? Pattern(static_cast<size_t>(c.FileSize)) : "";
  if (c.FileSize >= 0) ShareFile("file.bin", content);
  Backend.OnDownStart = [&](const TDownStartCall&) {
    if (c.DuringDownStart) c.DuringDownStart(path);
    return c.BackendAnswer;
  };
  ShareFile("next.txt", "next");

  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send(DownloadRequest(path.string(), c.Offset)));
  TReply reply = ReadReply(peer, c.Offset, c.BytesAfterHeader);
  EXPECT_EQ(reply.Word, c.Reply);
  if (c.Reply == "FILE_SEND") {
    ASSERT_EQ(reply.Lines.size(), 4u);
    EXPECT_EQ(reply.Lines[0], std::to_string(c.FileSize));
    EXPECT_EQ(reply.Lines[1], "T100");
    EXPECT_EQ(reply.Lines[2], "16");
    EXPECT_EQ(reply.Lines[3], "1");
    ASSERT_EQ(static_cast<int64_t>(reply.Bytes.size()), c.BytesAfterHeader);
    if (c.Offset >= 0)
      EXPECT_EQ(reply.Bytes, content.substr(static_cast<size_t>(c.Offset), reply.Bytes.size()));
  } else if (c.Reply == "FILE_SEND_COMPLETE") {
    EXPECT_EQ(reply.Lines, std::vector<std::string>{std::to_string(c.FileSize)});
  }

  ASSERT_TRUE(WaitForState(c.State)) << "state " << Rows()[0].Data.State;
  if (c.Packets) {
    ASSERT_TRUE(WaitForCosts(1));
    auto cost = Backend.Costs()[0];
    EXPECT_EQ(cost.PacketCount, *c.Packets);
    EXPECT_EQ(cost.ServerId, "server1");
    EXPECT_EQ(cost.PeerUserId, "peer1");
    EXPECT_EQ(cost.TransferUid, "T100");
    EXPECT_EQ(cost.FilePNo, 7);
  }
  EXPECT_EQ(Backend.DownStarts().size(), c.DownStartCalled ? 1u : 0u);

  if (c.StaysOpen) {
    ASSERT_TRUE(peer.Send(DownloadRequest((Share / "next.txt").string(), 0, "peer1", "NEXT")));
    TReply next = ReadReply(peer);
    EXPECT_EQ(next.Word, "FILE_SEND");
    EXPECT_EQ(next.Bytes, "next");
  } else {
    EXPECT_TRUE(peer.ClosedByServer());
  }
  if (!c.Packets) {
    // No report may follow later either.
    std::this_thread::sleep_for(50ms);
    for (const auto& cost : Backend.Costs()) EXPECT_NE(cost.TransferUid, "T100");
  }
}

void Remove(const std::filesystem::path& p) { std::filesystem::remove(p); }
void Shrink(const std::filesystem::path& p) { std::filesystem::resize_file(p, 100); }

INSTANTIATE_TEST_SUITE_P(
    Table, SenderOutcome,
    ::testing::Values(
        TOutcomeCase{"FileMissing", -1, 0, 100, {}, "FILE_NOT_EXISTS", 1, 0, false, {}, true},
        TOutcomeCase{
            "OffsetEqualsSize", 500, 500, 100, {}, "FILE_SEND_COMPLETE", 7, 0, false, {}, true},
        TOutcomeCase{
            "OffsetBeyondSize", 500, 501, 100, {}, "FILE_SEND_COMPLETE", 2, 0, false, {}, true},
        TOutcomeCase{
            "NotEnoughPoints", 500, 0, 200, {}, "FILE_SEND_NOT_MONEY", 8, 0, true, {}, false},
        TOutcomeCase{"BackendFailure", 500, 0, 300, {}, "FILE_SEND_ERROR", 6, 0, true, {}, false},
        TOutcomeCase{"CannotOpen", 500, 0, 100, Remove, "FILE_SEND_ERROR", 4, 0, true, 0, false},
        TOutcomeCase{"AllSent", 100, 0, 100, {}, "FILE_SEND", 10, 100, true, 0, true},
        TOutcomeCase{"ResumedAllSent", 3000, 1000, 100, {}, "FILE_SEND", 10, 2000, true, -1, true},
        TOutcomeCase{"FileShrank", 5000, 0, 100, Shrink, "FILE_SEND", 4, 100, true, 0, true},
        TOutcomeCase{"NegativeOffset", 500, -10, 100, {}, "FILE_SEND", 4, 0, true, -1, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(TFileServerTest, ResumedRequestIsRegisteredAndReportedAsResumed) {
  StartServer();
  const std::string content = Pattern(3000, 5);
  auto path = ShareFile("resume.bin", content);
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send(DownloadRequest(path.string(), 1000, "peer 9 ", " uid ")));
  TReply reply = ReadReply(peer, 1000);
  EXPECT_EQ(reply.Bytes, content.substr(1000));
  EXPECT_EQ(reply.Lines.at(1), " uid ");  // the identifier goes back exactly as received
  ASSERT_TRUE(WaitForCosts(1));
  auto start = Backend.DownStarts().at(0);
  EXPECT_TRUE(start.Resumed);
  EXPECT_EQ(start.PeerUserId, "peer 9 ");
  EXPECT_EQ(start.TransferUid, " uid ");
  EXPECT_EQ(Backend.Costs()[0].PacketCount, -1);
  auto row = Rows()[0].Data;
  EXPECT_EQ(row.StartOffset, 1000);
  EXPECT_EQ(row.Position, 3000);
  EXPECT_EQ(row.FileSize, 3000);
}

TEST_F(TFileServerTest, WholeMebibytesAreReportedAndShortTransfersCountOneSecond) {
  StartServer();
  auto big = SparseFile("big.bin", 5 * 1048576 + 1);
  auto small = ShareFile("small.bin", Pattern(100));
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send(DownloadRequest(small.string())));
  EXPECT_EQ(ReadReply(peer).Bytes.size(), 100u);
  ASSERT_TRUE(WaitForState(kStateComplete));
  // Well under a second: the elapsed time counts as one second.
  EXPECT_EQ(Rows()[0].Data.Speed, 100);
  EXPECT_EQ(Rows()[0].Data.RemainSec, 0);

  ASSERT_TRUE(peer.Send(DownloadRequest(big.string())));
  EXPECT_EQ(ReadReply(peer).Bytes.size(), 5u * 1048576 + 1);
  ASSERT_TRUE(WaitForCosts(2));
  EXPECT_EQ(Backend.Costs()[0].PacketCount, 0);
  EXPECT_EQ(Backend.Costs()[1].PacketCount, 5);
  // 161 blocks: refreshed on blocks 1, 42, 83, 124, plus the state changes; never per block.
  EXPECT_LE(Observer.ChangesOf(Rows()[0].Id), 10);
}

TEST_F(TFileServerTest, SparseFileOverFourGibResumesAboveFourGib) {
  StartServer();
  const int64_t size = 5LL * 1024 * 1024 * 1024 + 100;
  const int64_t offset = size - 100;
  auto path = SparseFile("huge.bin", size);
  {
    int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const std::string tail = Pattern(100, 9);
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), offset), 100);
    ::close(fd);
  }
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send(DownloadRequest(path.string(), offset)));
  TReply reply = ReadReply(peer, offset);
  EXPECT_EQ(reply.Lines.at(0), std::to_string(size));
  EXPECT_EQ(reply.Bytes, Pattern(100, 9));
  ASSERT_TRUE(WaitForState(kStateComplete));
  auto row = Rows()[0].Data;
  EXPECT_EQ(row.FileSize, size);
  EXPECT_EQ(row.Position, size);
  EXPECT_EQ(row.StartOffset, offset);
  EXPECT_EQ(row.Speed, 100);
}

TEST_F(TFileServerTest, PeerGoneMidTransferEndsInErrorWithItsVolumeReported) {
  StartServer();
  auto path = SparseFile("large.bin", 512LL * 1048576);
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send(DownloadRequest(path.string())));
  ASSERT_EQ(peer.ReadLine(), "FILE_SEND");
  ASSERT_TRUE(WaitForState(kStateSending));
  EXPECT_EQ(peer.ReadBytes(3 * 1048576 + 1000).size(), 3u * 1048576 + 1000);
  peer.Abort();
  ASSERT_TRUE(WaitForState(kStateError));
  ASSERT_TRUE(WaitForCosts(1));
  auto row = Rows()[0].Data;
  EXPECT_LT(row.Position, row.FileSize);
  EXPECT_EQ(Backend.Costs()[0].PacketCount, row.Position / 1048576);
  EXPECT_GE(Backend.Costs()[0].PacketCount, 3);
  EXPECT_TRUE(WaitFor([&] { return Server->SessionCount() == 0; }));
}

TEST_F(TFileServerTest, DownloadStartCallsNeverOverlap) {
  StartServer();
  auto path = ShareFile("f.txt", "content");
  Backend.OnDownStart = [](const TDownStartCall&) {
    std::this_thread::sleep_for(30ms);
    return 100;
  };
  constexpr int kPeers = 4;
  TPeer peers[kPeers];
  for (auto& p : peers) ASSERT_TRUE(p.Connect(Port));
  for (auto& p : peers) ASSERT_TRUE(p.Send(DownloadRequest(path.string())));
  for (auto& p : peers) EXPECT_EQ(ReadReply(p).Bytes, "content");
  EXPECT_EQ(Backend.DownStarts().size(), static_cast<size_t>(kPeers));
  EXPECT_EQ(Backend.MaxInFlight(), 1);
}

TEST_F(TFileServerTest, SilentBackendHoldsOnlyTheOtherRegistrationsAndReleasesTheLock) {
  StartServer();
  auto path = ShareFile("f.txt", "content");
  std::atomic<bool> release{false};
  Backend.OnDownStart = [&](const TDownStartCall& call) {
    if (call.PeerUserId == "stalled") {
      while (!release) std::this_thread::sleep_for(1ms);
      return 300;  // the request finally failed (a timeout)
    }
    return 100;
  };
  TPeer stalled, other, refused;
  ASSERT_TRUE(stalled.Connect(Port));
  ASSERT_TRUE(stalled.Send(DownloadRequest(path.string(), 0, "stalled")));
  ASSERT_TRUE(WaitFor([&] { return Backend.DownStarts().size() == 1; }));
  // Refusals that need no backend are answered meanwhile.
  ASSERT_TRUE(refused.Connect(Port));
  ASSERT_TRUE(refused.Send(DownloadRequest((Share / "missing").string())));
  EXPECT_EQ(ReadReply(refused).Word, "FILE_NOT_EXISTS");
  // A second registration waits for the lock...
  ASSERT_TRUE(other.Connect(Port));
  ASSERT_TRUE(other.Send(DownloadRequest(path.string(), 0, "other")));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(Backend.DownStarts().size(), 1u);
  // ...and gets it once the stalled call has failed.
  release = true;
  EXPECT_EQ(ReadReply(stalled).Word, "FILE_SEND_ERROR");
  EXPECT_EQ(ReadReply(other).Bytes, "content");
  EXPECT_EQ(Backend.MaxInFlight(), 1);
}

TEST_F(TFileServerTest, PerDownloadCheckRefusesOnlyAboveMaxConn) {
  Settings.Update([](TServerConfig& c) { c.MaxConn = 1; });
  StartServer();
  auto path = ShareFile("f.txt", "abc");
  TPeer first;
  ASSERT_TRUE(first.Connect(Port));
  ASSERT_TRUE(first.Send(DownloadRequest(path.string())));
  EXPECT_EQ(ReadReply(first).Bytes, "abc");  // one connection with MaxConn 1 can download

  TPeer second;
  ASSERT_TRUE(second.Connect(Port));
  ASSERT_TRUE(WaitFor([&] { return Server->SessionCount() == 2; }));
  ASSERT_TRUE(second.Send(DownloadRequest(path.string())));
  EXPECT_EQ(ReadReply(second).Word, "FILE_SEND_MAX_CONNECT");
  ASSERT_TRUE(WaitForState(kStateTooMany));
  // The connection stays open and is served once the other one has gone.
  first.Abort();
  ASSERT_TRUE(WaitFor([&] { return Server->SessionCount() == 1; }));
  ASSERT_TRUE(second.Send(DownloadRequest(path.string())));
  EXPECT_EQ(ReadReply(second).Bytes, "abc");
}

}  // namespace
}  // namespace talvesso::test
