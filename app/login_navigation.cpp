#include "app/login_navigation.h"

#include "app/portal.h"

namespace tarnwell {

namespace {

bool Holds(const std::wstring& url, const std::wstring& text) { return url.find(text) != std::wstring::npos; }

}  // namespace

LoginNavigation DecideLoginNavigation(const std::wstring& url) {
  if (Holds(url, L"m=game")) return LoginNavigation::kOpenGame;
  if (Holds(url, L"mg/s/new_server/")) return LoginNavigation::kCancel;
  if (Holds(url, std::wstring(PortalMainHost) + L"/kefu/")) return LoginNavigation::kCancel;
  if (Holds(url, PortalPaymentHost)) return LoginNavigation::kCancel;
  if (!Holds(url, GameHost)) return LoginNavigation::kAllow;
  if (Holds(url, std::wstring(GameHost) + L"/wd/")) return LoginNavigation::kAllow;
  return LoginNavigation::kCancel;
}

}  // namespace tarnwell
