#pragma once

#include <string>

namespace qiv_comp {

// Web addresses as the platform's URL parser reads them; only http and
// https count.

// Whether |url| is a well-formed http or https address with a host. Raw
// spaces and control characters anywhere refuse it: a real address carries
// them percent-encoded.
bool IsWebAddress(const std::wstring& url);

// "scheme://host" with ":port" when the port is not the scheme's own, all
// lower case; empty when |url| is no web address.
std::wstring WebOriginOf(const std::wstring& url);

}  // namespace qiv_comp
