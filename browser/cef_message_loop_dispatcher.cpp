#include "browser/cef_message_loop_dispatcher.h"

#include "include/cef_app.h"

namespace qiv_comp {

int CefMessageLoopDispatcher::work_pending_ = 0;

bool CefMessageLoopDispatcher::Dispatch(const MSG& message) {
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);

  bool idle_traffic =
      message.message == WM_PAINT || message.message == WM_NCMOUSEMOVE || message.message == WM_MOUSEMOVE;
  if (idle_traffic && work_pending_ == 0) return true;

  work_pending_ = 1;
  MSG next;
  if (!::PeekMessageW(&next, nullptr, 0, 0, PM_NOREMOVE)) {
    CefDoMessageLoopWork();
    work_pending_ = 0;
  }
  return true;
}

}  // namespace qiv_comp
