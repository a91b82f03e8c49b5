// The network test server's wire format: every message is one block of exactly 4096 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace talvesso {

inline constexpr size_t kTestBlockSize = 4096;

// A request block: the text, one zero byte, zero filler. A text longer than 4095 bytes is cut
// so that the terminating zero still fits.
std::string MakeTestBlock(std::string_view text);

// The text of a received block: the bytes before the first zero, or all of them.
std::string TestBlockText(std::string_view block);

// Collects one reply block from reads of any size. The reader asks Wanted() before each read
// and never reads more, so bytes behind the 4096th stay in the connection and begin the next
// reply.
class TReplyAssembler {
 public:
  // Bytes still missing from the current block (1 to 4096).
  size_t Wanted() const { return kTestBlockSize - Fill_; }
  // Where the next read goes (Wanted() bytes of room).
  char* WritePosition() { return Buffer_.data() + Fill_; }
  // Records `count` bytes written at WritePosition(); returns true when that completed a block,
  // whose text is then LastText().
  bool Commit(size_t count);
  // Appends up to Wanted() bytes of `data`; returns how many were taken.
  size_t Feed(std::string_view data);
  // Forgets a partly received block (a new connection starts a fresh stream).
  void Reset() { Fill_ = 0; }
  size_t Fill() const { return Fill_; }
  bool Complete() const { return Complete_; }
  // Set before waiting for the next reply.
  void ExpectReply() { Complete_ = false; }
  const std::string& LastText() const { return LastText_; }

 private:
  std::array<char, kTestBlockSize> Buffer_{};
  size_t Fill_ = 0;
  bool Complete_ = false;
  std::string LastText_;
};

}  // namespace talvesso
