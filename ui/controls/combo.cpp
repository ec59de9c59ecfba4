#include "ui/controls/combo.h"

#include <algorithm>

#include "ui/controls/combo_wnd.h"
#include "ui/controls/list_container_element.h"
#include "ui/core/attribute_values.h"
#include "ui/core/control_host.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"
#include "ui/core/v_layout.h"
#include "ui/render/render_interface.h"

namespace ui {

namespace {

constexpr int kDefaultDropHeight = 150;

}  // namespace

Combo::Combo() : list_(std::make_unique<ListBox>(std::make_unique<VLayout>())) {
  drop_size_ = Size(0, DpiScale::GetInstance().ScaleValue(kDefaultDropHeight));
  list_->AttachEvent(kEventSelect, ToWeakCallback([this](EventArgs* args) { return OnListSelect(args); }));
}

Combo::~Combo() {
  if (CComboWnd* popup = popup_) {
    popup_ = nullptr;
    popup->Detach();
    // Hands the list back before it goes with this combo.
    if (HWND hwnd = popup->GetHWND()) ::DestroyWindow(hwnd);
  }
}

void Combo::SetWindow(ControlHost* window) {
  Box::SetWindow(window);
  if (!popup_) list_->SetWindow(window);
}

void Combo::SetWindow(ControlHost* window, Box* parent, bool init) {
  Box::SetWindow(window, parent, init);
  // The list hangs off no parent while it is closed: its events stop there.
  if (!popup_) list_->SetWindow(window, nullptr, init);
}

bool Combo::Add(Control* control) {
  const bool added = list_->Add(control);
  current_ = list_->GetCurSel();
  Invalidate();
  return added;
}

bool Combo::AddAt(Control* control, size_t index) {
  const bool added = list_->AddAt(control, index);
  current_ = list_->GetCurSel();
  Invalidate();
  return added;
}

bool Combo::Remove(Control* control) {
  const bool removed = list_->Remove(control);
  current_ = list_->GetCurSel();
  Invalidate();
  return removed;
}

bool Combo::RemoveAt(size_t index) {
  const bool removed = list_->RemoveAt(index);
  current_ = list_->GetCurSel();
  Invalidate();
  return removed;
}

void Combo::RemoveAll() {
  list_->RemoveAll();
  current_ = -1;
  Invalidate();
}

size_t Combo::GetCount() const { return list_->GetCount(); }

Control* Combo::GetItemAt(size_t index) const { return list_->GetItemAt(index); }

int Combo::GetItemIndex(Control* control) const { return list_->GetItemIndex(control); }

bool Combo::SelectItem(int index) {
  if (index < 0 || index >= static_cast<int>(list_->GetCount()) || index == current_) return false;
  current_ = index;
  list_->SelectItem(index, false, false);
  Invalidate();
  return true;
}

std::wstring Combo::GetText() const {
  if (current_ < 0) return std::wstring();
  auto* item = dynamic_cast<ListContainerElement*>(list_->GetItemAt(static_cast<size_t>(current_)));
  return item ? item->GetText() : std::wstring();
}

void Combo::SetDropBoxAttributeList(const std::wstring& list) {
  drop_attribute_list_ = list;
  list_->ApplyAttributeList(list);
}

void Combo::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"dropbox") {
    SetDropBoxAttributeList(value);
  } else if (name == L"dropboxsize") {
    const Size size = ParseSize(value.c_str());
    const DpiScale& scale = DpiScale::GetInstance();
    SetDropBoxSize(Size(std::max(0, scale.ScaleValue(size.cx)), std::max(0, scale.ScaleValue(size.cy))));
  } else if (name == L"popuptop") {
    SetPopupTop(ParseBool(value.c_str()));
  } else {
    Box::SetAttribute(name, value);
  }
}

Rect Combo::GetPopupRect() const {
  Rect combo = rect_;
  const Point offset = GetScrollOffsetInScrollBox();
  combo.Offset(-offset.x, -offset.y);
  const int width = drop_size_.cx > 0 ? drop_size_.cx : combo.Width();
  int64_t height = 0;
  for (size_t i = 0; i < list_->GetCount(); ++i) {
    Control* item = list_->GetItemAt(i);
    if (!item->IsVisible()) continue;
    height += std::max<int>(0, item->EstimateSize(Size(width, drop_size_.cy)).cy);
  }
  const int shown = static_cast<int>(std::min<int64_t>(height + 2, drop_size_.cy));
  Rect popup(combo.left, combo.bottom + 1, combo.left + width, combo.bottom + 1 + shown);
  HWND hwnd = window_ ? window_->GetHWND() : nullptr;
  if (!hwnd) return popup;
  POINT corner = {popup.left, popup.top};
  ::ClientToScreen(hwnd, &corner);
  POINT combo_top = {combo.left, combo.top};
  ::ClientToScreen(hwnd, &combo_top);
  popup = Rect(corner.x, corner.y, corner.x + width, corner.y + shown);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  // Where the screen ends, the list opens upwards, its bottom at the
  // combo's top.
  if (popup.bottom > monitor.rcWork.bottom || pop_above_)
    popup = Rect(popup.left, combo_top.y - shown, popup.right, combo_top.y);
  return popup;
}

void Combo::Activate() {
  if (!IsActivatable() || !IsInteractive() || popup_ || !window_ || !window_->GetHWND()) return;
  auto* popup = new CComboWnd();
  popup_ = popup;
  if (!popup->Open(this, GetPopupRect())) {
    // Nothing was made of it; the list stays with the combo.
    popup_ = nullptr;
    if (!popup->GetHWND()) delete popup;
    return;
  }
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  window_->SendNotify(this, kEventClick);
  if (!alive.expired()) Invalidate();
}

void Combo::PopupClosed() {
  popup_ = nullptr;
  if (window_) list_->SetWindow(window_, nullptr, false);
  Invalidate();
}

bool Combo::OnListSelect(EventArgs*) {
  const bool was_open = popup_ != nullptr;
  // Losing the focus is what closes the popup.
  if (popup_ && popup_->GetHWND()) ::SendMessageW(popup_->GetHWND(), WM_KILLFOCUS, 0, 0);
  current_ = list_->GetCurSel();
  if (current_ >= 0) {
    if (Control* item = list_->GetItemAt(static_cast<size_t>(current_))) {
      item->SetHotAlpha(0);
      item->SetState(kControlStateNormal);
      item->Invalidate();
    }
  }
  Invalidate();
  if (was_open && window_) window_->SendNotify(this, kEventSelect, static_cast<WPARAM>(current_), -1);
  return true;
}

void Combo::PaintText(IRenderContext* context) {
  if (current_ < 0 || !context) return;
  auto* item = dynamic_cast<ListContainerElement*>(list_->GetItemAt(static_cast<size_t>(current_)));
  if (!item) return;
  Rect area = rect_;
  area.Deflate(item->GetTextPadding());
  context->DrawText(area, item->GetText(), ResourceManager::GetTextColor(item->GetStateTextColor(kControlStateNormal)),
                    item->GetFont(), kComboTextFormat, 255);
}

}  // namespace ui
