#pragma once

#include <string>
#include <vector>

namespace ui {

// Removes leading and trailing characters of code 32 or below 30. Codes 30
// and 31 are kept on purpose: skin and language files have always been read
// that way.
std::wstring Trim(const std::wstring& text);

// Tokens between any of the delimiter characters; empty tokens are dropped,
// so a run of delimiters counts as one.
std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& delimiters);

// Replaces every occurrence left to right, continuing after the inserted
// text, so a replacement that contains the pattern does not loop.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to);

// Path of a file on disk: "/" becomes "\", then each "\\" becomes "\".
std::wstring NormalizePath(const std::wstring& path);

}  // namespace ui
