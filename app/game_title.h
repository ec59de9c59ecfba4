#pragma once

#include <string>

namespace tarnwell {

// The game window's title, from the fields the game address carries after
// its first "|": "address|first|second" gives "first-second", each field
// percent-encoded text in the system's ANSI code page. With one "|" the
// remainder is both fields. Without any, the title is "Tarnwell".
std::wstring GameTitleFromAddress(const std::wstring& address);

// "%" followed by two hexadecimal digits becomes that byte; every other
// byte, a "%" without two digits after it included, stays as it is.
std::string PercentDecode(const std::string& text);

}  // namespace tarnwell
