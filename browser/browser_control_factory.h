#pragma once

#include <string>

namespace ui {
class Control;
}

namespace qiv_comp {

// The browser control a layout's "CefControl" element stands for: the
// off-screen kind while the engine renders off-screen, the native kind
// otherwise. Null for any other element name.
ui::Control* CreateBrowserControl(const std::wstring& element_name);

}  // namespace qiv_comp
