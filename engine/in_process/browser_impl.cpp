#include "engine/in_process/browser_impl.h"

#include <algorithm>

#include "engine/in_process/browser_services.h"
#include "engine/in_process/page.h"
#include "engine/shared/values_impl.h"

namespace inproc {

namespace {

constexpr wchar_t kViewClassName[] = L"InProcessEngineView";
// Larger views are refused rather than allocated.
constexpr int kMaxViewSide = 16384;
// A page cannot make its view's painting unbounded.
constexpr size_t kMaxContentRects = 4096;

// As many redirects as a browser follows before it gives up.
constexpr int kMaxRedirects = 20;

class RequestImpl : public CefRequest {
 public:
  explicit RequestImpl(const std::wstring& url) : url_(url) {}
  CefString GetURL() override { return url_; }

 private:
  std::wstring url_;
  IMPLEMENT_REFCOUNTING(RequestImpl);
};

// Nobody waits for a dialog's answer here: the page has gone on already.
class DialogCallback : public CefJSDialogCallback {
  IMPLEMENT_REFCOUNTING(DialogCallback);
};

bool RegisterViewClass(WNDPROC procedure) {
  static bool registered = [procedure] {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kViewClassName;
    return ::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

// ---- FrameImpl ----

void FrameImpl::DetachBrowser() {
  std::lock_guard<std::mutex> guard(lock_);
  browser_ = nullptr;
}

CefRefPtr<CefBrowser> FrameImpl::GetBrowser() {
  std::lock_guard<std::mutex> guard(lock_);
  return browser_.get();
}

void FrameImpl::LoadURL(const CefString& url) {
  CefRefPtr<BrowserImpl> browser;
  {
    std::lock_guard<std::mutex> guard(lock_);
    browser = browser_;
  }
  if (!browser || !is_main_) return;
  std::wstring target = url.ToWString();
  BrowserServices::PostUi(
      [browser, target](BrowserServices&) { browser->Navigate(target, BrowserImpl::Navigation::kNew); });
}

CefString FrameImpl::GetURL() {
  std::lock_guard<std::mutex> guard(lock_);
  if (!is_main_) return url_;
  return browser_ ? CefString(browser_->url()) : CefString();
}

void FrameImpl::SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_RENDERER) return;
  int browser_id = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!browser_) return;
    browser_id = browser_->GetIdentifier();
  }
  // The copy is taken now: whatever the sender does to its message later
  // never reaches the renderer.
  std::wstring name;
  engine::ListData data;
  if (!engine::ProcessMessageImpl::Snapshot(message, &name, &data)) return;
  int64_t frame_id = identifier_;
  std::shared_ptr<BrowserServices> engine = BrowserServices::Running();
  if (!engine) return;
  // On the engine's thread it goes out now; from any other thread it goes
  // to the renderer directly, as a real browser process's IPC channel
  // takes messages from every thread.
  if (engine->ui() && engine->ui()->RunsOnCurrentThread()) {
    engine->SendToRenderer(browser_id, frame_id, name, data);
    return;
  }
  engine->DeliverToRenderer(browser_id, frame_id, name, data);
}

// ---- BrowserImpl ----

BrowserImpl::BrowserImpl(int identifier, int64_t frame_id, CefRefPtr<CefClient> client,
                         const CefWindowInfo& window_info, bool is_popup)
    : identifier_(identifier), is_popup_(is_popup), window_info_(window_info), client_(client) {
  // Made here, not in the initializer list: the frame takes a reference to
  // this browser, and the reference count is only ready once every member is.
  main_frame_ = new FrameImpl(this, frame_id);
}

CefRefPtr<CefClient> BrowserImpl::client() {
  std::lock_guard<std::mutex> guard(lock_);
  return client_;
}

std::wstring BrowserImpl::url() {
  std::lock_guard<std::mutex> guard(lock_);
  return url_;
}

bool BrowserImpl::CreateView() {
  if (window_info_.windowless_rendering_enabled) return true;
  if (!RegisterViewClass(&BrowserImpl::ViewProc)) return false;
  HWND window = ::CreateWindowExW(0, kViewClassName, window_info_.window_name.c_str(), window_info_.style,
                                  window_info_.x, window_info_.y, window_info_.width, window_info_.height,
                                  window_info_.parent_window, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!window) return false;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  view_.reset(window);
  std::lock_guard<std::mutex> guard(lock_);
  window_handle_ = window;
  return true;
}

LRESULT CALLBACK BrowserImpl::ViewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  auto* browser = reinterpret_cast<BrowserImpl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint = {};
      HDC dc = ::BeginPaint(window, &paint);
      uint32_t bgra = browser ? browser->background_ : 0xFFFFFFFF;
      auto fill = [dc](const RECT& rect, uint32_t colour) {
        HBRUSH brush = ::CreateSolidBrush(RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF));
        ::FillRect(dc, &rect, brush);
        ::DeleteObject(brush);
      };
      fill(paint.rcPaint, bgra);
      if (browser) {
        for (const ContentRect& content : browser->content_) {
          fill(RECT{content.rect.x, content.rect.y, content.rect.x + content.rect.width,
                    content.rect.y + content.rect.height},
               content.bgra);
        }
      }
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      // The parent went away with its children: the browser closes with it.
      if (browser) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        browser->ViewDestroyedByParent();
      }
      break;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

void BrowserImpl::ViewDestroyedByParent() {
  view_.release();
  {
    std::lock_guard<std::mutex> guard(lock_);
    window_handle_ = nullptr;
  }
  if (!IsAlive()) return;
  state_ = State::kClosing;
  CefRefPtr<BrowserImpl> self(this);
  // Not from inside the window's destruction, unless the engine's thread
  // takes no more tasks: a close is never dropped.
  if (!BrowserServices::PostUi([self](BrowserServices&) { self->FinishClose(); })) FinishClose();
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(int64_t identifier) {
  if (main_frame_->GetIdentifier() == identifier) return main_frame_.get();
  std::lock_guard<std::mutex> guard(lock_);
  for (const CefRefPtr<FrameImpl>& child : child_frames_) {
    if (child->GetIdentifier() == identifier) return child.get();
  }
  return nullptr;
}

void BrowserImpl::AttachChildFrame(int sequence, int64_t frame_id, const std::wstring& url) {
  if (!IsAlive() || sequence != sequence_) return;
  CefRefPtr<FrameImpl> frame = new FrameImpl(this, frame_id, false, url);
  std::lock_guard<std::mutex> guard(lock_);
  child_frames_.push_back(frame);
}

void BrowserImpl::DetachChildFrames() {
  std::vector<CefRefPtr<FrameImpl>> frames;
  {
    std::lock_guard<std::mutex> guard(lock_);
    frames.swap(child_frames_);
  }
  for (const CefRefPtr<FrameImpl>& frame : frames) frame->DetachBrowser();
}

void BrowserImpl::AddContentRect(int sequence, const CefRect& rect, uint32_t bgra) {
  if (!IsAlive() || sequence != sequence_ || content_.size() >= kMaxContentRects) return;
  content_.push_back(ContentRect{rect, bgra});
  Repaint();
}

void BrowserImpl::SetPopupWidget(int sequence, bool show, const CefRect& rect, uint32_t bgra) {
  if (!IsAlive() || sequence != sequence_ || !window_info_.windowless_rendering_enabled) return;
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefRenderHandler> render = client ? client->GetRenderHandler() : nullptr;
  if (!render) return;
  if (!show) {
    if (!popup_shown_) return;
    popup_shown_ = false;
    render->OnPopupShow(this, false);
    return;
  }
  popup_shown_ = true;
  popup_rect_ = rect;
  popup_bgra_ = bgra;
  render->OnPopupShow(this, true);
  render->OnPopupSize(this, rect);
  PaintPopup();
}

void BrowserImpl::PaintPopup() {
  if (!popup_shown_ || hidden_ || popup_rect_.width <= 0 || popup_rect_.height <= 0 ||
      popup_rect_.width > kMaxViewSide || popup_rect_.height > kMaxViewSide) {
    return;
  }
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefRenderHandler> render = client ? client->GetRenderHandler() : nullptr;
  if (!render) return;
  std::vector<uint32_t> frame(static_cast<size_t>(popup_rect_.width) * popup_rect_.height, popup_bgra_);
  CefRenderHandler::RectList dirty{CefRect(0, 0, popup_rect_.width, popup_rect_.height)};
  render->OnPaint(this, PET_POPUP, dirty, frame.data(), popup_rect_.width, popup_rect_.height);
}

void BrowserImpl::Navigate(const std::wstring& url, Navigation kind) {
  if (!IsAlive()) return;
  int target_index = history_index_;
  std::wstring target = url;
  switch (kind) {
    case Navigation::kNew:
      break;
    case Navigation::kBack:
      if (!CanGoBack()) return;
      target = history_[--target_index];
      break;
    case Navigation::kForward:
      if (!CanGoForward()) return;
      target = history_[++target_index];
      break;
    case Navigation::kReload:
      if (history_index_ < 0) return;
      target = history_[history_index_];
      break;
  }
  if (target.empty()) return;

  CefRefPtr<CefClient> client = this->client();
  std::shared_ptr<BrowserServices> engine = BrowserServices::Running();
  CefRefPtr<CefRequestHandler> request_handler = client ? client->GetRequestHandler() : nullptr;
  if (request_handler &&
      request_handler->OnBeforeBrowse(this, main_frame_.get(), new RequestImpl(target), false, false)) {
    if (engine) engine->log().Write(LOGSEVERITY_INFO, L"navigation cancelled by the client: " + target);
    return;
  }
  // A redirect asks again for its target, and a cancel there stops it too.
  for (int hops = 0;; ++hops) {
    std::wstring next = FindRedirect(target);
    if (next.empty()) break;
    if (hops == kMaxRedirects) {
      if (engine) engine->log().Write(LOGSEVERITY_WARNING, L"too many redirects: " + url);
      return;
    }
    if (request_handler &&
        request_handler->OnBeforeBrowse(this, main_frame_.get(), new RequestImpl(next), false, true)) {
      if (engine) engine->log().Write(LOGSEVERITY_INFO, L"redirect cancelled by the client: " + next);
      return;
    }
    target = next;
  }
  crashed_ = false;

  // The old page's frames, content and pop-up go with it.
  DetachChildFrames();
  content_.clear();
  if (popup_shown_) SetPopupWidget(sequence_, false, CefRect(), 0);

  if (kind == Navigation::kNew) {
    history_.resize(static_cast<size_t>(history_index_ + 1));
    history_.push_back(target);
    history_index_ = static_cast<int>(history_.size()) - 1;
  } else {
    history_index_ = target_index;
  }
  ++sequence_;
  {
    std::lock_guard<std::mutex> guard(lock_);
    url_ = target;
  }
  if (engine) engine->log().Write(LOGSEVERITY_INFO, L"navigate: " + target);

  CefRefPtr<CefLoadHandler> load = client ? client->GetLoadHandler() : nullptr;
  CefRefPtr<CefDisplayHandler> display = client ? client->GetDisplayHandler() : nullptr;
  if (load) load->OnLoadingStateChange(this, true, CanGoBack(), CanGoForward());
  if (display) display->OnAddressChange(this, main_frame_.get(), target);
  if (load) load->OnLoadStart(this, main_frame_.get(), kind == Navigation::kReload ? TT_RELOAD : TT_EXPLICIT);
  if (engine) engine->LoadInRenderer(identifier_, target, sequence_);
}

void BrowserImpl::LoadFinished(int sequence, int error_code, const std::wstring& error_text, const std::wstring& title,
                               int http_status) {
  // A load that a newer navigation replaced reports nothing.
  if (!IsAlive() || sequence != sequence_) return;
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefLoadHandler> load = client ? client->GetLoadHandler() : nullptr;
  std::wstring current = url();
  if (error_code != 0) {
    if (std::shared_ptr<BrowserServices> engine = BrowserServices::Running()) {
      engine->log().Write(LOGSEVERITY_WARNING, L"load failed: " + current + L" " + error_text);
    }
    if (load) {
      load->OnLoadError(this, main_frame_.get(), static_cast<cef_errorcode_t>(error_code), error_text, current);
    }
  } else {
    TitleChanged(title.empty() ? current : title);
    if (load) load->OnLoadEnd(this, main_frame_.get(), http_status);
  }
  if (load) load->OnLoadingStateChange(this, false, CanGoBack(), CanGoForward());
  Repaint();
}

void BrowserImpl::Dialog(cef_jsdialog_type_t type, const std::wstring& message, const std::wstring& default_prompt) {
  if (!IsAlive()) return;
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefJSDialogHandler> dialogs = client ? client->GetJSDialogHandler() : nullptr;
  bool suppress = false;
  bool handled = dialogs && dialogs->OnJSDialog(this, url(), type, message, default_prompt, new DialogCallback(),
                                               suppress);
  if (handled || suppress) return;
  // This engine has no dialog of its own to show.
  if (std::shared_ptr<BrowserServices> engine = BrowserServices::Running()) {
    engine->log().Write(LOGSEVERITY_INFO, L"dialog dismissed: " + message);
  }
}

bool BrowserImpl::RendererCrashed() {
  if (!IsAlive() || crashed_ || history_index_ < 0) return false;
  crashed_ = true;
  // A load under way ends with its renderer, and the page's frames go.
  ++sequence_;
  DetachChildFrames();
  content_.clear();
  if (std::shared_ptr<BrowserServices> engine = BrowserServices::Running()) engine->PageCrashed(identifier_);
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefRequestHandler> request = client ? client->GetRequestHandler() : nullptr;
  if (request) request->OnRenderProcessTerminated(this, TS_PROCESS_CRASHED);
  Repaint();
  return true;
}

void BrowserImpl::TitleChanged(const std::wstring& title) {
  if (!IsAlive()) return;
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefDisplayHandler> display = client ? client->GetDisplayHandler() : nullptr;
  if (display) display->OnTitleChange(this, title);
}

void BrowserImpl::SetBackground(uint32_t bgra) {
  background_ = bgra;
  Repaint();
}

void BrowserImpl::Repaint() {
  if (!IsAlive()) return;
  if (!window_info_.windowless_rendering_enabled) {
    if (view_) ::InvalidateRect(view_.get(), nullptr, FALSE);
    return;
  }
  if (hidden_) return;
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefRenderHandler> render = client ? client->GetRenderHandler() : nullptr;
  if (!render) return;
  CefRect view;
  render->GetViewRect(this, view);
  if (view.width <= 0 || view.height <= 0 || view.width > kMaxViewSide || view.height > kMaxViewSide) return;
  size_t pixels = static_cast<size_t>(view.width) * static_cast<size_t>(view.height);
  std::vector<uint32_t> frame(pixels, background_);
  for (const ContentRect& content : content_) {
    int left = std::max(content.rect.x, 0);
    int top = std::max(content.rect.y, 0);
    int right = std::min(content.rect.x + content.rect.width, view.width);
    int bottom = std::min(content.rect.y + content.rect.height, view.height);
    for (int y = top; y < bottom; ++y) {
      std::fill(frame.begin() + static_cast<size_t>(y) * view.width + left,
                frame.begin() + static_cast<size_t>(y) * view.width + right, content.bgra);
    }
  }
  CefRenderHandler::RectList dirty{CefRect(0, 0, view.width, view.height)};
  render->OnPaint(this, PET_VIEW, dirty, frame.data(), view.width, view.height);
  PaintPopup();
}

void BrowserImpl::Close(bool force) {
  switch (state_) {
    case State::kClosed:
      return;
    case State::kClientClosing:
    case State::kClosing:
      // The client was asked once; a forced close ends it now.
      if (force) FinishClose();
      return;
    case State::kAlive:
      break;
  }
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefLifeSpanHandler> life_span = client ? client->GetLifeSpanHandler() : nullptr;
  bool client_closes = life_span && life_span->DoClose(this);
  // DoClose may have taken the parent, and the view, with it.
  if (state_ == State::kClosed) return;
  if (state_ == State::kClosing) {
    if (force) FinishClose();
    return;
  }
  // A client that closes the parent window itself finishes the close through
  // the view's destruction; without a view there is nothing to wait for.
  if (client_closes && !force && view_) {
    state_ = State::kClientClosing;
    return;
  }
  FinishClose();
}

void BrowserImpl::FinishClose() {
  if (state_ == State::kClosed) return;
  state_ = State::kClosing;
  if (devtools_) {
    devtools_->Close(true);
    devtools_ = nullptr;
  }
  std::shared_ptr<BrowserServices> engine = BrowserServices::Running();
  if (view_) {
    ::SetWindowLongPtrW(view_.get(), GWLP_USERDATA, 0);
    view_.reset();
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    window_handle_ = nullptr;
  }
  DetachChildFrames();
  CefRefPtr<CefClient> client = this->client();
  CefRefPtr<CefLifeSpanHandler> life_span = client ? client->GetLifeSpanHandler() : nullptr;
  state_ = State::kClosed;
  if (engine) engine->BrowserClosed(identifier_);
  if (life_span) life_span->OnBeforeClose(this);
  main_frame_->DetachBrowser();
  std::lock_guard<std::mutex> guard(lock_);
  client_ = nullptr;
}

void BrowserImpl::GoBack() {
  CefRefPtr<BrowserImpl> self(this);
  BrowserServices::PostUi([self](BrowserServices&) { self->Navigate(std::wstring(), Navigation::kBack); });
}

void BrowserImpl::GoForward() {
  CefRefPtr<BrowserImpl> self(this);
  BrowserServices::PostUi([self](BrowserServices&) { self->Navigate(std::wstring(), Navigation::kForward); });
}

void BrowserImpl::Reload() {
  CefRefPtr<BrowserImpl> self(this);
  BrowserServices::PostUi([self](BrowserServices&) { self->Navigate(std::wstring(), Navigation::kReload); });
}

void BrowserImpl::CloseBrowser(bool force_close) {
  CefRefPtr<BrowserImpl> self(this);
  BrowserServices::PostUi([self, force_close](BrowserServices&) { self->Close(force_close); });
}

void BrowserImpl::SetFocus(bool focus) {
  CefRefPtr<BrowserImpl> self(this);
  BrowserServices::PostUi([self, focus](BrowserServices&) {
    if (self->view_ && focus) ::SetFocus(self->view_.get());
  });
}

CefWindowHandle BrowserImpl::GetWindowHandle() {
  std::lock_guard<std::mutex> guard(lock_);
  return window_handle_;
}

void BrowserImpl::ShowDevTools(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                               const CefBrowserSettings& settings, const CefPoint& inspect_element_at) {
  CefRefPtr<BrowserImpl> self(this);
  BrowserServices::PostUi([self, window_info, client](BrowserServices& engine) {
    if (!self->IsAlive()) return;
    if (self->devtools_ && self->devtools_->IsAlive()) return;
    self->devtools_ = engine.CreateBrowserOnUi(engine.NextBrowserId(), window_info, client,
                                               L"devtools://devtools/inspector.html", true);
  });
}

void BrowserImpl::CloseDevTools() {
  CefRefPtr<BrowserImpl> self(this);
  BrowserServices::PostUi([self](BrowserServices&) {
    if (self->devtools_) self->devtools_->Close(true);
    self->devtools_ = nullptr;
  });
}

void BrowserImpl::WasResized() {
  CefRefPtr<BrowserImpl> self(this);
  BrowserServices::PostUi([self](BrowserServices&) { self->Repaint(); });
}

void BrowserImpl::WasHidden(bool hidden) {
  CefRefPtr<BrowserImpl> self(this);
  BrowserServices::PostUi([self, hidden](BrowserServices&) {
    self->hidden_ = hidden;
    if (!hidden) self->Repaint();
  });
}

void BrowserImpl::Invalidate(cef_paint_element_type_t type) {
  if (type != PET_VIEW) return;
  WasResized();
}

std::vector<InputEvent> BrowserImpl::TakeInputEvents() {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<InputEvent> events;
  events.swap(input_);
  return events;
}

void BrowserImpl::RecordInput(const InputEvent& event) {
  std::lock_guard<std::mutex> guard(lock_);
  // Nobody may be reading; keep only the recent past.
  if (input_.size() >= 4096) input_.erase(input_.begin(), input_.begin() + 1024);
  input_.push_back(event);
}

void BrowserImpl::SendKeyEvent(const CefKeyEvent& event) {
  InputEvent input;
  input.kind = InputEvent::Kind::kKey;
  input.key = event;
  RecordInput(input);
}

void BrowserImpl::SendMouseClickEvent(const CefMouseEvent& event, cef_mouse_button_type_t type, bool mouse_up,
                                      int click_count) {
  InputEvent input;
  input.kind = InputEvent::Kind::kMouseClick;
  input.mouse = event;
  input.button = type;
  input.mouse_up = mouse_up;
  input.click_count = click_count;
  RecordInput(input);
}

void BrowserImpl::SendMouseMoveEvent(const CefMouseEvent& event, bool mouse_leave) {
  InputEvent input;
  input.kind = InputEvent::Kind::kMouseMove;
  input.mouse = event;
  input.mouse_leave = mouse_leave;
  RecordInput(input);
}

void BrowserImpl::SendMouseWheelEvent(const CefMouseEvent& event, int delta_x, int delta_y) {
  InputEvent input;
  input.kind = InputEvent::Kind::kMouseWheel;
  input.mouse = event;
  input.delta_x = delta_x;
  input.delta_y = delta_y;
  RecordInput(input);
}

void BrowserImpl::SendFocusEvent(bool set_focus) {
  InputEvent input;
  input.kind = InputEvent::Kind::kFocus;
  input.focus = set_focus;
  RecordInput(input);
}

void BrowserImpl::SendCaptureLostEvent() {
  InputEvent input;
  input.kind = InputEvent::Kind::kCaptureLost;
  RecordInput(input);
}

}  // namespace inproc
