#include "app/portal.h"

namespace tarnwell {

std::vector<std::wstring> TrustedPageOrigins() {
  // The login pages come over plain http, the game may come over either.
  return {std::wstring(L"http://") + PortalMainHost, std::wstring(L"https://") + PortalMainHost,
          std::wstring(L"http://") + GameHost, std::wstring(L"https://") + GameHost};
}

std::wstring LoginAddress() { return std::wstring(L"http://") + PortalMainHost + L"/game/s/wdAccess/?name=trnw"; }

std::wstring LoginAddressWithIdentity(const std::wstring& login_address, const std::wstring& user_id,
                                      const std::wstring& file_name) {
  return login_address + L"&uid=" + user_id + L"&suid=" + file_name;
}

}  // namespace tarnwell
