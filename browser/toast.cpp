#include "browser/toast.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "base/thread_registry.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/dpi_scale.h"

namespace qiv_comp {

namespace {

constexpr DWORD kToastStyle = 0x00CE0000;
constexpr wchar_t kEllipsis[] = L"\u2026";

// The toasts alive, oldest first; UI thread only.
std::vector<Toast*>& Live() {
  static std::vector<Toast*> toasts;
  return toasts;
}

// The height |control| needs for its text at |width|, padding included.
int NeededHeight(ui::Control* control, int width) {
  const int fixed_width = control->GetFixedWidth();
  const int fixed_height = control->GetFixedHeight();
  control->SetFixedWidth(width, false, false);
  control->SetFixedHeight(ui::kLengthAuto, false, false);
  const int height = control->EstimateSize(ui::Size(width, ui::kMaxLength)).cy;
  control->SetFixedWidth(fixed_width, false, false);
  control->SetFixedHeight(fixed_height, false, false);
  return height;
}

}  // namespace

Toast::~Toast() {
  std::vector<Toast*>& live = Live();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

std::vector<Toast*> Toast::LiveToasts() { return Live(); }

Toast* Toast::ShowToast(const std::wstring& text, HWND parent, int close_delay_ms) {
  // The oldest makes room: a page asking in a loop never runs the process
  // out of windows.
  while (Live().size() >= kMaxToasts) {
    Toast* oldest = Live().front();
    Live().erase(Live().begin());
    if (HWND window = oldest->GetHWND()) ::DestroyWindow(window);
  }
  auto* toast = new Toast();
  std::weak_ptr<qbase::WeakFlag> alive = toast->GetWeakFlag();
  if (!toast->Create(parent, L"", kToastStyle, 0, true, ui::Rect())) {
    // One refused while it was made has deleted itself already.
    if (!alive.expired()) delete toast;
    return nullptr;
  }
  Live().push_back(toast);
  toast->SetContent(text);
  toast->StartCloseTimer(close_delay_ms);
  toast->CenterWindow();
  toast->ShowWindow(true, true);
  return toast;
}

void Toast::InitWindow() {
  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AttachBubbledEvent(ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnClicked(args); }));
  }
  content_ = FindControl(L"content");
  close_button_ = FindControl(L"close_btn");
}

void Toast::OnFinalMessage(HWND hwnd) {
  std::vector<Toast*>& live = Live();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  ui::WindowImplBase::OnFinalMessage(hwnd);
}

void Toast::Close(UINT result) {
  if (closing_) return;
  closing_ = true;
  ui::WindowImplBase::Close(result);
}

bool Toast::OnClicked(ui::EventArgs* args) {
  if (args && args->sender && args->sender->GetName() == L"close_btn") Close(IDOK);
  return true;
}

void Toast::SetContent(const std::wstring& text) {
  if (!content_) return;
  std::wstring shown = text;
  if (shown.size() > kMaxTextLength) shown = shown.substr(0, kMaxTextLength) + kEllipsis;
  content_->SetAttribute(L"text", shown);
  int width = content_->GetPos().Width();
  if (width <= 0) width = content_->GetFixedWidth();
  if (width <= 0) return;
  int height = NeededHeight(content_, width);
  const ui::DpiScale& scale = ui::DpiScale::GetInstance();
  if (height > 0 && scale.IsActive()) height = scale.ScaleValue(height);
  // A very long text is cut where the skin says the content ends.
  if (content_->GetMaxHeight() > 0) height = std::min(height, content_->GetMaxHeight());
  const int old_height = content_->GetFixedHeight();
  if (height <= 0 || height == old_height) return;
  content_->SetFixedHeight(height, true, false);
  // The window grows or shrinks with its content.
  RECT window = {};
  if (old_height > 0 && ::GetWindowRect(GetHWND(), &window)) {
    ::SetWindowPos(GetHWND(), nullptr, 0, 0, window.right - window.left,
                   window.bottom - window.top + height - old_height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Toast::StartCloseTimer(int delay_ms) {
  qbase::ThreadRegistry::PostDelayedTask(qbase::UiThreadId, ToWeakCallback([this] { Close(IDOK); }),
                                         static_cast<int64_t>(delay_ms) * 1000);
}

void Toast::ShowCloseButton(bool show) {
  if (close_button_ && close_button_->IsVisible() != show) close_button_->SetVisible(show);
}

LRESULT Toast::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) Close(IDOK);
      break;
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDBLCLK:
      Close(IDOK);
      break;
    case WM_NCMOUSEMOVE:
      ShowCloseButton(true);
      break;
    case WM_MOUSEMOVE:
      if (lparam != -1) ShowCloseButton(true);
      break;
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE: {
      POINT cursor = {};
      ::GetCursorPos(&cursor);
      ::ScreenToClient(GetHWND(), &cursor);
      RECT client = {};
      ::GetClientRect(GetHWND(), &client);
      ::InflateRect(&client, -1, -1);
      if (!::PtInRect(&client, cursor)) ShowCloseButton(false);
      break;
    }
    default:
      break;
  }
  return ui::WindowImplBase::HandleMessage(message, wparam, lparam);
}

}  // namespace qiv_comp
