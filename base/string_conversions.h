#pragma once

#include <string>

namespace qbase {

// UTF-16 and UTF-8 through the platform's converter. A text that cannot be
// converted gives an empty result rather than a damaged one.
std::string UTF16ToUTF8(const std::wstring& text);
std::wstring UTF8ToUTF16(const std::string& text);

// Text in the system's ANSI code page.
std::wstring AnsiToUTF16(const std::string& text);

}  // namespace qbase
