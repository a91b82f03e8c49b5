// Texts in which numbers and byte counts are shown to the member.
#pragma once

#include <cstdint>
#include <string>

namespace talvesso {

// "1234567" -> "1,234,567"; "" -> "0"; commas in the input are ignored.
// Input that is not a 32-bit decimal integer once the commas are gone gives "0".
std::string FormatThousands(const std::string& text);

// Units of 1024: "1,023 bytes", "2 KB" (ties to even), "1.13 MB", "4.66 GB".
std::string FormatByteSize(int64_t n);

// Same family without the GB tier, for the installer download's progress line.
std::string FormatDownloadSize(int32_t n);

}  // namespace talvesso
