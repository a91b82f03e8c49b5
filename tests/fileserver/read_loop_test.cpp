// The read loop: line rules, requests queued on one connection, the stop request, and which
// paths are served at all.
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "common/cp949.h"
#include "fileserver_fixture.h"

namespace talvesso::test {
namespace {

using namespace std::chrono_literals;

TEST_F(TFileServerTest, CommandWordIsTrimmedAndCaseSensitive) {
  StartServer();
  auto path = ShareFile("f.txt", "data");
  const std::string rest = "id\nuid\n\n\n\n1\n" + path.string() + "\n0\n";
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  // Lower case, and other lines, are ignored without a reply or a row.
  ASSERT_TRUE(peer.Send("request_download_file\nhello\n\n"));
  for (const char* command :
       {"REQUEST_DOWNLOAD_FILE\r\n", "REQUEST_DOWNLOAD_FILE\n", " \tREQUEST_DOWNLOAD_FILE \t\n"}) {
    ASSERT_TRUE(peer.Send(command + rest));
    EXPECT_EQ(ReadReply(peer).Bytes, "data") << command;
  }
  EXPECT_EQ(Rows().size(), 3u);
}

TEST_F(TFileServerTest, RequestLinesKeepTheirBlanksAndLinesUpTo16384BytesAreAccepted) {
  StartServer();
  auto path = ShareFile("f.txt", "data");
  const std::string longId(16383, 'i');  // with the CR: 16384 bytes before the LF
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send("REQUEST_DOWNLOAD_FILE\r\n" + longId + "\r\n  uid \r\n\n\n\n  12ab\n" +
                        path.string() + "\n0\n"));
  TReply reply = ReadReply(peer);
  EXPECT_EQ(reply.Bytes, "data");
  EXPECT_EQ(reply.Lines.at(1), "  uid ");
  auto start = Backend.DownStarts().at(0);
  EXPECT_EQ(start.PeerUserId, longId);
  EXPECT_EQ(start.TransferUid, "  uid ");
  EXPECT_EQ(start.FilePNo, 12);

  // A path line with a trailing blank names another file: the blank is kept.
  ASSERT_TRUE(peer.Send(DownloadRequest(path.string() + " ")));
  EXPECT_EQ(ReadReply(peer).Word, "FILE_NOT_EXISTS");
}

TEST_F(TFileServerTest, OverlongLineClosesTheConnectionAndLeavesTheRowWaiting) {
  StartServer();
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send("REQUEST_DOWNLOAD_FILE\npeer\n" + std::string(16385, 'u') + "\n"));
  EXPECT_TRUE(peer.ClosedByServer());
  ASSERT_EQ(Rows().size(), 1u);
  EXPECT_EQ(Rows()[0].Data.State, kStateWaiting);
  EXPECT_EQ(Rows()[0].Data.PeerUserId, "");
  EXPECT_TRUE(Server->StatusRecords().RemoveFinished().empty());  // the clean-up keeps it
}

TEST_F(TFileServerTest, CutOffRequestStaysWaitingWithoutASender) {
  StartServer();
  auto path = ShareFile("f.txt", "data");
  {
    TPeer peer;
    ASSERT_TRUE(peer.Connect(Port));
    ASSERT_TRUE(peer.Send("REQUEST_DOWNLOAD_FILE\npeer\nuid\n\n\n\n5\n" + path.string() + "\n"));
    ASSERT_TRUE(WaitFor([&] { return Rows().size() == 1 && !Rows()[0].Data.FilePath.empty(); }));
  }
  ASSERT_TRUE(WaitFor([&] { return Server->SessionCount() == 0; }));
  EXPECT_EQ(Rows()[0].Data.State, kStateWaiting);
  EXPECT_EQ(Rows()[0].Data.FilePNo, 5);
  EXPECT_TRUE(Backend.DownStarts().empty());
}

TEST_F(TFileServerTest, OverlappingRequestsOnOneConnectionArriveIntactAndInOrder) {
  StartServer();
  std::vector<std::string> contents;
  std::string all;
  for (int i = 0; i < 4; ++i) {
    contents.push_back(std::string(200000 + i * 1000, static_cast<char>('a' + i)));
    auto path = ShareFile("f" + std::to_string(i), contents.back());
    all += DownloadRequest(path.string(), 0, "peer", "U" + std::to_string(i));
  }
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send(all));  // every request before the first byte comes back
  for (int i = 0; i < 4; ++i) {
    TReply reply = ReadReply(peer);
    ASSERT_EQ(reply.Word, "FILE_SEND");
    EXPECT_EQ(reply.Lines[1], "U" + std::to_string(i));
    EXPECT_TRUE(reply.Bytes == contents[i]) << "request " << i;
  }
  ASSERT_TRUE(WaitFor([&] {
    for (auto& row : Rows())
      if (row.Data.State != kStateComplete) return false;
    return Rows().size() == 4;
  }));
}

TEST_F(TFileServerTest, StopRequestEndsTheRunningTransferAndClosesTheConnection) {
  StartServer();
  auto big = SparseFile("big.bin", 1024LL * 1048576);
  auto small = ShareFile("s.txt", "queued");
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send(DownloadRequest(big.string(), 0, "peer", "BIG") +
                        DownloadRequest(small.string(), 0, "peer", "SMALL")));
  ASSERT_EQ(peer.ReadLine(), "FILE_SEND");
  ASSERT_TRUE(WaitForState(kStateSending, 1));
  ASSERT_TRUE(peer.Send("REQUEST_STOP_DOWNLOAD_FILE\r\n"));
  // The peer reads on until the server has closed the connection.
  while (peer.ReadBytes(1 << 20).size() == (1u << 20)) {
  }
  ASSERT_TRUE(WaitForState(kStateCancelled, 1));
  ASSERT_TRUE(WaitForCosts(1));
  auto rows = Rows();
  EXPECT_LT(rows[1].Data.Position, rows[1].Data.FileSize);
  EXPECT_EQ(Backend.Costs()[0].TransferUid, "BIG");
  // The request queued behind it never ran: cancelled, not registered, not reported.
  ASSERT_TRUE(WaitForState(kStateCancelled, 0));
  EXPECT_EQ(Backend.DownStarts().size(), 1u);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(Backend.Costs().size(), 1u);
}

TEST_F(TFileServerTest, StopRequestWithNothingRunningChangesNothing) {
  StartServer();
  auto path = ShareFile("f.txt", "data");
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send("REQUEST_STOP_DOWNLOAD_FILE\n" + DownloadRequest(path.string())));
  EXPECT_EQ(ReadReply(peer).Bytes, "data");
}

// Anything outside a shared folder in use is answered exactly like a missing file.
TEST_F(TFileServerTest, OnlyFilesInsideSharedFoldersInUseAreServed) {
  StartServer();
  namespace fs = std::filesystem;
  ShareFile("inside.txt", "inside");
  auto outside = Dir.WriteFile("outside/secret.txt", "secret");
  auto sibling = Dir.WriteFile("share2/near.txt", "near");  // shares only a name prefix
  auto paused = Dir.WriteFile("paused/p.txt", "paused");
  fs::create_symlink(outside, Share / "link-out.txt");
  fs::create_symlink(Dir.Path() / "outside", Share / "dir-out");
  fs::create_symlink(Share / "inside.txt", Share / "link-in.txt");
  fs::create_directories(Share / "sub");

  struct TCase {
    std::string Path;
    std::string Expected;  // file bytes, or "" for FILE_NOT_EXISTS
  };
  const TCase cases[] = {
      {(Share / "inside.txt").string(), "inside"},
      {(Share / "link-in.txt").string(), "inside"},
      {(Share / "sub" / ".." / "inside.txt").string(), "inside"},
      {(Share / ".." / "outside" / "secret.txt").string(), ""},
      {(Share / "link-out.txt").string(), ""},
      {(Share / "dir-out" / "secret.txt").string(), ""},
      {sibling.string(), ""},
      {paused.string(), ""},
      {(Share / "sub").string(), ""},
      {"inside.txt", ""},  // relative paths resolve against nothing shared
      {"", ""},
  };
  Server->SetSharedRoots({Share.string(), (Dir.Path() / "share").string() + "/"});
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  for (const auto& c : cases) {
    ASSERT_TRUE(peer.Send(DownloadRequest(c.Path)));
    TReply reply = ReadReply(peer);
    if (c.Expected.empty())
      EXPECT_EQ(reply.Word, "FILE_NOT_EXISTS") << c.Path;
    else
      EXPECT_EQ(reply.Bytes, c.Expected) << c.Path;
  }
  EXPECT_TRUE(Backend.DownStarts().size() == 3u);

  // The set of folders can change while listening: pausing the share hides its files,
  // resuming another one exposes it.
  Server->SetSharedRoots({(Dir.Path() / "paused").string()});
  ASSERT_TRUE(peer.Send(DownloadRequest((Share / "inside.txt").string())));
  EXPECT_EQ(ReadReply(peer).Word, "FILE_NOT_EXISTS");
  ASSERT_TRUE(peer.Send(DownloadRequest(paused.string())));
  EXPECT_EQ(ReadReply(peer).Bytes, "paused");
}

TEST_F(TFileServerTest, Cp949PathsAreOpenedAndIdsShownAsUtf8) {
  StartServer();
  auto path = ShareFile("자료/노래.txt", "korean");
  auto wirePath = Utf8ToCp949(path.string());
  auto wireId = Utf8ToCp949("회원");
  ASSERT_TRUE(wirePath && wireId);
  TPeer peer;
  ASSERT_TRUE(peer.Connect(Port));
  ASSERT_TRUE(peer.Send(DownloadRequest(*wirePath, 0, *wireId)));
  EXPECT_EQ(ReadReply(peer).Bytes, "korean");
  ASSERT_TRUE(WaitForState(kStateComplete));
  EXPECT_EQ(Rows()[0].Data.PeerUserId, "회원");
  EXPECT_EQ(Rows()[0].Data.FilePath, path.string());
  EXPECT_EQ(Backend.DownStarts().at(0).PeerUserId, *wireId);  // the backend gets the bytes
  // The UTF-8 spelling is not what a peer sends: read as CP949 it names no file.
  ASSERT_TRUE(peer.Send(DownloadRequest(path.string())));
  EXPECT_EQ(ReadReply(peer).Word, "FILE_NOT_EXISTS");
}

}  // namespace
}  // namespace talvesso::test
