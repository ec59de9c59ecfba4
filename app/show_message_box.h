#pragma once

#include <windows.h>

#include <memory>

#include "base/weak_callback.h"
#include "browser/cef_js_bridge.h"

namespace tarnwell {

// "ShowMessageBox" for a window's page: the page's JSON text, unchanged
// but for the conversion to UTF-16, in a toast over |window|; always a
// success, also once the window has gone (the toast then has no owner).
qiv_comp::CefJSBridge::NativeFunction MakeShowMessageBox(HWND window, std::weak_ptr<qbase::WeakFlag> window_alive);

}  // namespace tarnwell
