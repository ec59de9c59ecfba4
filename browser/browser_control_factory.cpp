#include "browser/browser_control_factory.h"

#include "browser/cef_control.h"
#include "browser/cef_manager.h"
#include "browser/cef_native_control.h"

namespace qiv_comp {

ui::Control* CreateBrowserControl(const std::wstring& element_name) {
  if (element_name != L"CefControl") return nullptr;
  if (CefManager::Instance()->IsOffscreenRenderingEnabled()) return new CefControl();
  return new CefNativeControl();
}

}  // namespace qiv_comp
