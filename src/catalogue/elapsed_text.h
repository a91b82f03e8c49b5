// How long a folder update has been running, as the progress window shows it.
#pragma once

#include <cstdint>
#include <string>

namespace talvesso {

// Whole seconds as "45초", "2분5초", "75분0초": minutes only from 60 seconds on, no blanks,
// no leading zeros, never hours.
std::string FormatElapsedTime(uint32_t elapsedMs);

// The text for the time between two TickCount32 readings (the difference wraps modulo 2^32).
std::string ElapsedTextSince(uint32_t startTick, uint32_t nowTick);

}  // namespace talvesso
