#include "engine/shared/command_line_text.h"

namespace engine {

std::vector<std::wstring> SplitArguments(const std::wstring& text) {
  std::vector<std::wstring> parts;
  std::wstring current;
  bool in_quotes = false;
  bool have_part = false;
  size_t i = 0;
  while (i < text.size()) {
    wchar_t c = text[i];
    if (c == L'\\') {
      size_t slashes = 0;
      while (i < text.size() && text[i] == L'\\') {
        ++slashes;
        ++i;
      }
      if (i < text.size() && text[i] == L'"') {
        current.append(slashes / 2, L'\\');
        if (slashes % 2) {
          current.push_back(L'"');
          ++i;
        }
      } else {
        current.append(slashes, L'\\');
      }
      have_part = true;
      continue;
    }
    if (c == L'"') {
      in_quotes = !in_quotes;
      have_part = true;
    } else if ((c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') && !in_quotes) {
      if (have_part) parts.push_back(current);
      current.clear();
      have_part = false;
    } else {
      current.push_back(c);
      have_part = true;
    }
    ++i;
  }
  if (have_part) parts.push_back(current);
  return parts;
}

// Backslashes are doubled only where a quote follows them, the closing one
// included.
std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\r\n\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t slashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    if (c == L'"') {
      quoted.append(slashes * 2 + 1, L'\\');
    } else {
      quoted.append(slashes, L'\\');
    }
    slashes = 0;
    quoted.push_back(c);
  }
  quoted.append(slashes * 2, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

}  // namespace engine
