#include "catalogue/elapsed_text.h"

namespace talvesso {

std::string FormatElapsedTime(uint32_t elapsedMs) {
  const uint32_t seconds = elapsedMs / 1000;
  std::string text;
  if (seconds > 59) text = std::to_string(seconds / 60) + "분";
  text += std::to_string(seconds % 60) + "초";
  return text;
}

std::string ElapsedTextSince(uint32_t startTick, uint32_t nowTick) {
  return FormatElapsedTime(nowTick - startTick);  // unsigned: wraps like the tick count
}

}  // namespace talvesso
