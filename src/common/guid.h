// Fresh identifiers: the "UID" field that every request to the backend carries.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace talvesso {

struct TGuid {
  uint32_t D1 = 0;
  uint16_t D2 = 0;
  uint16_t D3 = 0;
  std::array<uint8_t, 8> D4{};
};

// D1, D2, D3 and the eight D4 bytes as 32 upper-case hex digits, no braces or hyphens.
std::string GuidToHex(const TGuid& guid);

// 128 random bits from the OS in the version-4 layout.
TGuid NewGuid();

// GuidToHex(NewGuid()).
std::string NewGuidHex();

}  // namespace talvesso
