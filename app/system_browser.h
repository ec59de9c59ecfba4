#pragma once

#include <functional>
#include <string>

namespace tarnwell {

// Hands an address to the system's web browser through the shell's "open"
// verb; what opens it is the platform's business.
using ShellOpener = std::function<void(const std::wstring& url)>;
void OpenWithShell(const std::wstring& url);

// Only http and https addresses, as the platform's URL parser reads them,
// ever reach the shell: a page must not make the client open files, shares
// or other programs' schemes. Anything else is refused silently. True when
// the address was handed on.
bool OpenInSystemBrowser(const std::wstring& url, const ShellOpener& opener = OpenWithShell);

}  // namespace tarnwell
