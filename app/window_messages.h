#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace tarnwell {

// Requests between the client's windows, posted to the start window.
// The game address travels as a heap string that the receiver owns.
constexpr UINT OpenGameMessage = WM_USER + 100;
constexpr UINT BackToStartMessage = WM_USER + 101;

// Posts OpenGameMessage with a heap copy of |address|. The copy is freed
// here when the post fails.
bool PostOpenGame(HWND start_window, const std::wstring& address);

// The address that PostOpenGame sent with this parameter, now owned by the
// caller. Any other program can post the same message number, so only
// strings this process handed out are accepted; anything else gives null
// and is never dereferenced.
std::unique_ptr<std::wstring> TakeOpenGameAddress(LPARAM lparam);

}  // namespace tarnwell
