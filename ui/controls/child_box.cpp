#include "ui/controls/child_box.h"

#include <shlwapi.h>

#include "ui/core/control_host.h"
#include "ui/core/resource_manager.h"

namespace ui {

namespace {

// Boxes being filled right now, outermost first; UI thread only.
int g_nesting = 0;

}  // namespace

ChildBox::ChildBox() = default;

void ChildBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"xmlfile") {
    SetChildLayoutXML(value);
  } else {
    Box::SetAttribute(name, value);
  }
}

void ChildBox::DoInit() {
  // Every ancestor that joins a parent initialises its subtree again; the
  // file is built the first time only.
  if (xml_file_.empty() || filled_) return;
  filled_ = true;
  if (g_nesting >= kMaxNesting) {
    RemoveAll();
    return;
  }
  // Relative names are found in the window's skin folder, like its own
  // layout.
  std::wstring path = xml_file_;
  if (::PathIsRelativeW(path.c_str()) && window_) path = window_->GetResourcePath() + path;
  ++g_nesting;
  Control* content = ResourceManager::CreateControlTree(path, ControlFactory(), nullptr, window_);
  if (content) {
    RemoveAll();
    if (!Add(content)) delete content;
  } else {
    RemoveAll();
  }
  --g_nesting;
}

}  // namespace ui
