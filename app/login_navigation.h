#pragma once

#include <string>

namespace tarnwell {

// What the login window does with a navigation of its page.
enum class LoginNavigation {
  kOpenGame,  // cancel it here and open the game window with the address
  kCancel,
  kAllow,
};

// The rules in their order, each a case-sensitive search anywhere in the
// address; the first that decides wins: "m=game" opens the game; the
// server list, the portal's customer-service pages and the payment host are
// cancelled; an address without the game host is allowed, one under the
// game host's "/wd/" too, any other of the game host is cancelled.
LoginNavigation DecideLoginNavigation(const std::wstring& url);

}  // namespace tarnwell
