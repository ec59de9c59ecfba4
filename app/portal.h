#pragma once

#include <string>
#include <vector>

namespace tarnwell {

// The game portal's main site; the login pages live under it.
constexpr wchar_t PortalMainHost[] = L"www.plaxon.com";
// The game itself: its code as a sub-domain of the portal's domain.
constexpr wchar_t GameHost[] = L"trnw.plaxon.com";
// Where the portal takes payments; never shown inside the client.
constexpr wchar_t PortalPaymentHost[] = L"pay.plaxon.com";

// The origins whose pages may call the client's native functions.
std::vector<std::wstring> TrustedPageOrigins();

// The portal's login page for this game, without the player's identity.
std::wstring LoginAddress();

// The address the login window loads: the identity is appended as it is,
// because the portal expects the raw values.
std::wstring LoginAddressWithIdentity(const std::wstring& login_address, const std::wstring& user_id,
                                      const std::wstring& file_name);

}  // namespace tarnwell
