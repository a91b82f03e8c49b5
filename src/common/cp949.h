// The Korean code page at the program's edges (peer protocol, HTTP query and form values,
// "fshare.txt"). Inside the program every text is UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talvesso {

// UTF-8 -> CP949 bytes. nullopt when the input is not valid UTF-8 or holds a character
// that CP949 cannot represent (nothing is silently replaced).
std::optional<std::string> Utf8ToCp949(std::string_view utf8);

// CP949 bytes -> UTF-8. nullopt when the input is not valid CP949.
std::optional<std::string> Cp949ToUtf8(std::string_view cp949);

// For display only: like Cp949ToUtf8, but invalid bytes become U+FFFD instead of failing.
std::string Cp949ToUtf8Lossy(std::string_view cp949);

// For the wire when the text may not fit: like Utf8ToCp949, but characters CP949 cannot hold
// become "?" (used only where the caller has no way to refuse, e.g. a member's typed ID).
std::string Utf8ToCp949Lossy(std::string_view utf8);

}  // namespace talvesso
