#include "app/portal.h"

namespace tarnwell {

std::wstring LoginAddress() { return std::wstring(L"http://") + PortalMainHost + L"/game/s/wdAccess/?name=trnw"; }

std::wstring LoginAddressWithIdentity(const std::wstring& login_address, const std::wstring& user_id,
                                      const std::wstring& file_name) {
  return login_address + L"&uid=" + user_id + L"&suid=" + file_name;
}

}  // namespace tarnwell
