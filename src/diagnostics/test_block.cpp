#include "diagnostics/test_block.h"

#include <algorithm>
#include <cstring>

namespace talvesso {

std::string MakeTestBlock(std::string_view text) {
  std::string block(kTestBlockSize, '\0');
  const size_t length = std::min(text.size(), kTestBlockSize - 1);
  std::memcpy(block.data(), text.data(), length);
  return block;
}

std::string TestBlockText(std::string_view block) {
  const size_t zero = block.find('\0');
  return std::string(block.substr(0, zero));
}

bool TReplyAssembler::Commit(size_t count) {
  Fill_ += std::min(count, Wanted());
  if (Fill_ < kTestBlockSize) return false;
  Fill_ = 0;
  Complete_ = true;
  LastText_ = TestBlockText(std::string_view(Buffer_.data(), Buffer_.size()));
  return true;
}

size_t TReplyAssembler::Feed(std::string_view data) {
  const size_t taken = std::min(data.size(), Wanted());
  std::memcpy(WritePosition(), data.data(), taken);
  Commit(taken);
  return taken;
}

}  // namespace talvesso
