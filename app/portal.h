#pragma once

#include <string>

namespace tarnwell {

// The game portal's main site; the login pages live under it.
constexpr wchar_t PortalMainHost[] = L"www.plaxon.com";

// The portal's login page for this game, without the player's identity.
std::wstring LoginAddress();

// The address the login window loads: the identity is appended as it is,
// because the portal expects the raw values.
std::wstring LoginAddressWithIdentity(const std::wstring& login_address, const std::wstring& user_id,
                                      const std::wstring& file_name);

}  // namespace tarnwell
