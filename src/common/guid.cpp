#include "common/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace talvesso {

namespace {

// Fills `buffer` from the kernel's random source; /dev/urandom when getrandom is missing.
void FillRandom(uint8_t* buffer, size_t size) {
  size_t filled = 0;
  while (filled < size) {
    const ssize_t got = getrandom(buffer + filled, size - filled, 0);
    if (got > 0) {
      filled += static_cast<size_t>(got);
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  if (filled < size) {
    std::ifstream urandom("/dev/urandom", std::ios::binary);
    urandom.read(reinterpret_cast<char*>(buffer + filled),
                 static_cast<std::streamsize>(size - filled));
  }
}

}  // namespace

std::string GuidToHex(const TGuid& guid) {
  char text[33];
  int at = std::snprintf(text, sizeof text, "%08X%04X%04X", static_cast<unsigned>(guid.D1),
                         static_cast<unsigned>(guid.D2), static_cast<unsigned>(guid.D3));
  for (uint8_t byte : guid.D4)
    at += std::snprintf(text + at, sizeof text - static_cast<size_t>(at), "%02X",
                        static_cast<unsigned>(byte));
  return std::string(text, static_cast<size_t>(at));
}

TGuid NewGuid() {
  uint8_t bytes[16];
  FillRandom(bytes, sizeof bytes);
  TGuid guid;
  guid.D1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
            bytes[3];
  guid.D2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.D3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  std::memcpy(guid.D4.data(), bytes + 8, 8);
  guid.D3 = static_cast<uint16_t>((guid.D3 & 0x0FFF) | 0x4000);   // version 4
  guid.D4[0] = static_cast<uint8_t>((guid.D4[0] & 0x3F) | 0x80);  // RFC 4122 variant
  return guid;
}

std::string NewGuidHex() { return GuidToHex(NewGuid()); }

}  // namespace talvesso
