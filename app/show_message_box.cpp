#include "app/show_message_box.h"

#include "app/cef_form.h"
#include "base/string_conversions.h"
#include "browser/toast.h"

namespace tarnwell {

qiv_comp::CefJSBridge::NativeFunction MakeShowMessageBox(HWND window, std::weak_ptr<qbase::WeakFlag> window_alive) {
  return [window, window_alive](const std::string& params, qiv_comp::CefJSBridge::ReportResult report) {
    qiv_comp::Toast::ShowToast(qbase::UTF8ToUTF16(params), window_alive.expired() ? nullptr : window);
    report(false, CefForm::kMessageBoxAnswer);
  };
}

}  // namespace tarnwell
