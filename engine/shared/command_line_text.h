#pragma once

#include <string>
#include <vector>

namespace engine {

// Splits a command line, or a text of switches, by the platform's rules:
// blanks separate, quotes group, and backslashes escape only before a quote.
std::vector<std::wstring> SplitArguments(const std::wstring& text);
// Quotes one argument so that those rules give it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);

}  // namespace engine
