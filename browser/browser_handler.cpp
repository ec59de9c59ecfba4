#include "browser/browser_handler.h"

#include <algorithm>

#include "base/thread_registry.h"
#include "browser/cef_manager.h"
#include "include/cef_task.h"

namespace qiv_comp {

namespace {

// Larger frames are dropped rather than copied: no real view comes near.
constexpr int kMaxFrameSide = 16384;
// Past this many dirty rectangles a pending frame counts as dirty all over.
constexpr size_t kMaxDirtyRects = 64;

// The engine's task interface around a closure.
class ClosureTask : public CefTask {
 public:
  explicit ClosureTask(qbase::Closure closure) : closure_(std::move(closure)) {}
  void Execute() override {
    if (closure_) closure_();
  }

 private:
  qbase::Closure closure_;
  IMPLEMENT_REFCOUNTING(ClosureTask);
};

bool PostToEngine(qbase::Closure closure) { return CefPostTask(TID_UI, new ClosureTask(std::move(closure))); }

bool HasType(CefRefPtr<CefListValue> arguments, size_t index, CefValueType type) {
  return arguments && arguments->GetSize() > index && arguments->GetType(index) == type;
}

}  // namespace

BrowserHandler::BrowserHandler() {
  // The flags are made here, on the UI thread, before any other thread can
  // ask for them.
  GetWeakFlag();
  after_created_callbacks_.GetWeakFlag();
}

BrowserHandler::~BrowserHandler() = default;

void BrowserHandler::SetHandlerDelegate(HandlerDelegate* delegate) {
  std::weak_ptr<qbase::WeakFlag> flag =
      delegate ? delegate->GetHandlerDelegateFlag() : std::weak_ptr<qbase::WeakFlag>();
  std::lock_guard<std::recursive_mutex> guard(delegate_lock_);
  delegate_ = delegate;
  delegate_flag_ = flag;
}

BrowserHandler::HandlerDelegate* BrowserHandler::CurrentDelegate() {
  std::lock_guard<std::recursive_mutex> guard(delegate_lock_);
  return delegate_flag_.expired() ? nullptr : delegate_;
}

template <typename Call>
void BrowserHandler::PostToDelegate(Call call) {
  HandlerDelegate* delegate = nullptr;
  std::weak_ptr<qbase::WeakFlag> flag;
  {
    std::lock_guard<std::recursive_mutex> guard(delegate_lock_);
    delegate = delegate_;
    flag = delegate_flag_;
  }
  if (!delegate) return;
  CefRefPtr<BrowserHandler> self(this);
  qbase::ThreadRegistry::PostTask(qbase::UiThreadId, qbase::WeakCallback(flag, [self, delegate, call] {
                                    // A delegate taken away meanwhile hears nothing more.
                                    if (self->CurrentDelegate() == delegate) call(delegate);
                                  }));
}

template <typename Result, typename Call>
Result BrowserHandler::CallDelegate(Result fallback, Call call) {
  // Held for the call: the control cannot go away while it answers.
  std::lock_guard<std::recursive_mutex> guard(delegate_lock_);
  if (!delegate_ || delegate_flag_.expired()) return fallback;
  return call(delegate_);
}

void BrowserHandler::SetViewRect(const RECT& rect) {
  if (!CefCurrentlyOn(TID_UI)) {
    CefRefPtr<BrowserHandler> self(this);
    PostToEngine([self, rect] { self->SetViewRect(rect); });
    return;
  }
  control_rect_ = rect;
  if (CefRefPtr<CefBrowserHost> host = GetBrowserHost()) host->WasResized();
}

CefRefPtr<CefBrowser> BrowserHandler::GetBrowser() {
  std::lock_guard<std::mutex> guard(browsers_lock_);
  return current_browser_;
}

CefRefPtr<CefBrowserHost> BrowserHandler::GetBrowserHost() {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  return browser ? browser->GetHost() : nullptr;
}

qbase::Closure BrowserHandler::AddAfterCreatedCallback(qbase::Closure callback) {
  return after_created_callbacks_.AddCallback(std::move(callback));
}

void BrowserHandler::CloseAllBrowsers() {
  std::vector<CefRefPtr<CefBrowser>> browsers;
  {
    std::lock_guard<std::mutex> guard(browsers_lock_);
    browsers = browser_list_;
  }
  PostToEngine([browsers] {
    for (const CefRefPtr<CefBrowser>& browser : browsers) {
      if (CefRefPtr<CefBrowserHost> host = browser->GetHost()) host->CloseBrowser(true);
    }
  });
}

// ---- life span ----

bool BrowserHandler::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                   const CefString& target_url, const CefString& target_frame_name,
                                   CefLifeSpanHandlerWindowOpenDisposition target_disposition, bool user_gesture,
                                   const CefPopupFeatures& popup_features, CefWindowInfo& window_info,
                                   CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                                   CefRefPtr<CefDictionaryValue>& extra_info, bool* no_javascript_access) {
  // The opener stands in while the UI thread has not heard of its
  // creation yet.
  CefRefPtr<CefBrowser> current = GetBrowser();
  if (!current) current = browser;
  if (current && !target_url.empty()) {
    bool open_here = CallDelegate(true, [&](HandlerDelegate* delegate) {
      return delegate->OnBeforePopup(browser, frame, target_url, target_frame_name, target_disposition, user_gesture,
                                     popup_features, window_info, client, settings, no_javascript_access);
    });
    if (open_here) {
      if (CefRefPtr<CefFrame> main_frame = current->GetMainFrame()) main_frame->LoadURL(target_url);
    }
  }
  // Pop-up windows never open: a target is shown here or not at all.
  return true;
}

void BrowserHandler::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  // The task keeps the handler alive: the count must rise even when the
  // control is gone by then, as it falls again in BeforeClose.
  CefRefPtr<BrowserHandler> self(this);
  qbase::ThreadRegistry::PostTask(qbase::UiThreadId, [self, browser] { self->AfterCreated(browser); });
}

void BrowserHandler::AfterCreated(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<CefBrowser> previous;
  {
    std::lock_guard<std::mutex> guard(browsers_lock_);
    browser_list_.push_back(browser);
    previous = current_browser_;
    current_browser_ = browser;
  }
  if (previous) {
    if (CefRefPtr<CefBrowserHost> host = previous->GetHost()) host->WasHidden(true);
  }
  CefManager::Instance()->IncrementBrowserCount();
  if (HandlerDelegate* delegate = CurrentDelegate()) {
    std::weak_ptr<qbase::WeakFlag> alive = delegate->GetHandlerDelegateFlag();
    delegate->OnAfterCreated(browser);
    if (!alive.expired() && !CefManager::Instance()->IsOffscreenRenderingEnabled() && CurrentDelegate() == delegate)
      delegate->UpdateWindowPosition();
  }
  after_created_callbacks_.RunAndClear();
}

void BrowserHandler::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<BrowserHandler> self(this);
  qbase::ThreadRegistry::PostTask(qbase::UiThreadId, [self, browser] { self->BeforeClose(browser); });
}

void BrowserHandler::BeforeClose(CefRefPtr<CefBrowser> browser) {
  CefManager::Instance()->DecrementBrowserCount();
  CefRefPtr<CefBrowser> shown;
  {
    std::lock_guard<std::mutex> guard(browsers_lock_);
    auto it = std::find_if(browser_list_.begin(), browser_list_.end(),
                           [&](const CefRefPtr<CefBrowser>& listed) { return listed->IsSame(browser); });
    if (it != browser_list_.end()) {
      browser_list_.erase(it);
      if (current_browser_ && current_browser_->IsSame(browser)) {
        current_browser_ = browser_list_.empty() ? nullptr : browser_list_.back();
        shown = current_browser_;
      }
    }
  }
  if (shown) {
    if (CefRefPtr<CefBrowserHost> host = shown->GetHost()) host->WasHidden(false);
    shown->Reload();
  }
  if (HandlerDelegate* delegate = CurrentDelegate()) delegate->OnBeforeClose(browser);
}

// ---- render ----

bool BrowserHandler::GetRootScreenRect(CefRefPtr<CefBrowser> browser, CefRect& rect) {
  HWND root = ::GetAncestor(host_window_, GA_ROOT);
  RECT window = {};
  if (!root || !::GetWindowRect(root, &window)) return false;
  rect = CefRect(window.left, window.top, window.right - window.left, window.bottom - window.top);
  return true;
}

void BrowserHandler::GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) {
  if (CurrentDelegate()) {
    rect = CefRect(0, 0, control_rect_.right - control_rect_.left, control_rect_.bottom - control_rect_.top);
    return;
  }
  RECT client = {};
  if (::GetClientRect(host_window_, &client))
    rect = CefRect(0, 0, client.right - client.left, client.bottom - client.top);
  else
    rect = CefRect();
}

bool BrowserHandler::GetScreenPoint(CefRefPtr<CefBrowser> browser, int view_x, int view_y, int& screen_x,
                                    int& screen_y) {
  HWND host = host_window_;
  if (!::IsWindow(host)) return false;
  POINT point = {view_x, view_y};
  ::ClientToScreen(host, &point);
  screen_x = point.x;
  screen_y = point.y;
  return true;
}

void BrowserHandler::OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) {
  PostToDelegate([browser, show](HandlerDelegate* delegate) { delegate->OnPopupShow(browser, show); });
}

void BrowserHandler::OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) {
  PostToDelegate([browser, rect](HandlerDelegate* delegate) { delegate->OnPopupSize(browser, rect); });
}

void BrowserHandler::OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type, const RectList& dirty_rects,
                             const void* buffer, int width, int height) {
  if (!CurrentDelegate() || !buffer || width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide) {
    return;
  }
  // Each frame gets its own buffer, written once here and only read after.
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  auto pixels = std::make_shared<const std::string>(static_cast<const char*>(buffer), bytes);
  uint64_t sequence = 0;
  {
    std::lock_guard<std::mutex> guard(frames_lock_);
    Frame& pending = type == PET_POPUP ? pending_popup_ : pending_view_;
    // A newer frame replaces one the UI thread has not taken yet, so no
    // more than one waits whatever the engine's pace; the dirty parts add up.
    if (!pending.pixels || pending.width != width || pending.height != height) pending.dirty_rects.clear();
    pending.dirty_rects.insert(pending.dirty_rects.end(), dirty_rects.begin(), dirty_rects.end());
    if (pending.dirty_rects.size() > kMaxDirtyRects) pending.dirty_rects.assign(1, CefRect(0, 0, width, height));
    pending.browser = browser;
    pending.pixels = std::move(pixels);
    pending.width = width;
    pending.height = height;
    pending.sequence = sequence = ++paint_sequence_;
  }
  // One task per paint keeps frames in order with the pop-up's show and
  // size events posted between them.
  CefRefPtr<BrowserHandler> self(this);
  qbase::ThreadRegistry::PostTask(qbase::UiThreadId, [self, type, sequence] { self->DeliverFrame(type, sequence); });
}

void BrowserHandler::DeliverFrame(cef_paint_element_type_t type, uint64_t sequence) {
  Frame frame;
  {
    std::lock_guard<std::mutex> guard(frames_lock_);
    Frame& pending = type == PET_POPUP ? pending_popup_ : pending_view_;
    if (pending.sequence != sequence || !pending.pixels) return;
    std::swap(frame, pending);
  }
  if (HandlerDelegate* delegate = CurrentDelegate())
    delegate->OnPaint(frame.browser, type, frame.dirty_rects, frame.pixels.get(), frame.width, frame.height);
}

void BrowserHandler::OnCursorChange(CefRefPtr<CefBrowser> browser, CefCursorHandle cursor,
                                    CefRenderHandlerCursorType type, const CefCursorInfo& custom_cursor_info) {
  HWND host = host_window_;
  if (::IsWindow(host)) ::SetClassLongPtrW(host, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
  ::SetCursor(cursor);
}

// ---- context menu ----

void BrowserHandler::OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                         CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) {
  bool delegated = CallDelegate(false, [&](HandlerDelegate* delegate) {
    delegate->OnBeforeContextMenu(browser, frame, params, model);
    return true;
  });
  if (delegated || !params || !model) return;
  // No menu on pages and frames.
  if ((params->GetTypeFlags() & (CM_TYPEFLAG_PAGE | CM_TYPEFLAG_FRAME)) != 0 && model->GetCount() > 0) model->Clear();
}

bool BrowserHandler::OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                          CefRefPtr<CefContextMenuParams> params, int command_id,
                                          cef_event_flags_value_t event_flags) {
  return CallDelegate(false, [&](HandlerDelegate* delegate) {
    return delegate->OnContextMenuCommand(browser, frame, params, command_id, event_flags);
  });
}

// ---- display ----

void BrowserHandler::OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& url) {
  PostToDelegate([browser, frame, url](HandlerDelegate* delegate) { delegate->OnAddressChange(browser, frame, url); });
}

void BrowserHandler::OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) {
  PostToDelegate([browser, title](HandlerDelegate* delegate) { delegate->OnTitleChange(browser, title); });
}

// ---- JavaScript dialogs ----

bool BrowserHandler::OnJSDialog(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                                CefJSDialogHandlerJSDialogType dialog_type, const CefString& message_text,
                                const CefString& default_prompt_text, CefRefPtr<CefJSDialogCallback> callback,
                                bool& suppress_message) {
  // Alerts, confirms and prompts never show.
  suppress_message = true;
  return false;
}

// ---- load ----

void BrowserHandler::OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading, bool can_go_back,
                                          bool can_go_forward) {
  PostToDelegate([=](HandlerDelegate* delegate) {
    delegate->OnLoadingStateChange(browser, is_loading, can_go_back, can_go_forward);
  });
}

void BrowserHandler::OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                 CefLoadHandlerTransitionType transition_type) {
  PostToDelegate([browser, frame](HandlerDelegate* delegate) { delegate->OnLoadStart(browser, frame); });
}

void BrowserHandler::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int http_status_code) {
  PostToDelegate([=](HandlerDelegate* delegate) { delegate->OnLoadEnd(browser, frame, http_status_code); });
}

void BrowserHandler::OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                 CefLoadHandlerErrorCode error_code, const CefString& error_text,
                                 const CefString& failed_url) {
  PostToDelegate(
      [=](HandlerDelegate* delegate) { delegate->OnLoadError(browser, frame, error_code, error_text, failed_url); });
}

// ---- request ----

bool BrowserHandler::OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefRequest> request, bool user_gesture, bool is_redirect) {
  return CallDelegate(
      false, [&](HandlerDelegate* delegate) { return delegate->OnBeforeBrowse(browser, frame, request, is_redirect); });
}

bool BrowserHandler::OnQuotaRequest(CefRefPtr<CefBrowser> browser, const CefString& origin_url, int64_t new_size,
                                    CefRefPtr<CefRequestCallback> callback) {
  if (callback) callback->Continue(new_size <= QuotaLimitBytes);
  return true;
}

void BrowserHandler::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                               CefRequestHandlerTerminationStatus status) {
  PostToDelegate(
      [browser, status](HandlerDelegate* delegate) { delegate->OnRenderProcessTerminated(browser, status); });
}

// ---- download and file dialog ----

void BrowserHandler::OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                      const CefString& suggested_name, CefRefPtr<CefBeforeDownloadCallback> callback) {
  CallDelegate(false, [&](HandlerDelegate* delegate) {
    delegate->OnBeforeDownload(browser, download_item, suggested_name, callback);
    return true;
  });
}

void BrowserHandler::OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                       CefRefPtr<CefDownloadItemCallback> callback) {
  CallDelegate(false, [&](HandlerDelegate* delegate) {
    delegate->OnDownloadUpdated(browser, download_item, callback);
    return true;
  });
}

bool BrowserHandler::OnFileDialog(CefRefPtr<CefBrowser> browser, CefDialogHandlerFileDialogMode mode,
                                  const CefString& title, const CefString& default_file_path,
                                  const std::vector<CefString>& accept_filters, int selected_accept_filter,
                                  CefRefPtr<CefFileDialogCallback> callback) {
  return CallDelegate(false, [&](HandlerDelegate* delegate) {
    return delegate->OnFileDialog(browser, mode, title, default_file_path, accept_filters, selected_accept_filter,
                                  callback);
  });
}

// ---- process messages ----

bool BrowserHandler::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                              CefProcessId source_process, CefRefPtr<CefProcessMessage> message) {
  if (!message) return false;
  const std::wstring name = message->GetName().ToWString();
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  // A message of a known name with arguments of the wrong kinds is ignored.
  if (name == L"FocusedNodeChanged") {
    if (!HasType(arguments, 0, VTYPE_BOOL)) return false;
    editable_focus_ = arguments->GetBool(0);
    return true;
  }
  if (name == L"CallCppFunction") {
    if (!HasType(arguments, 0, VTYPE_STRING) || !HasType(arguments, 1, VTYPE_STRING) ||
        !HasType(arguments, 2, VTYPE_INT)) {
      return false;
    }
    CallDelegate(false, [&](HandlerDelegate* delegate) {
      return delegate->OnExecuteCppFunction(arguments->GetString(0), arguments->GetString(1), arguments->GetInt(2),
                                            browser, frame);
    });
    return true;
  }
  if (name == L"ExecuteCppCallback") {
    if (!HasType(arguments, 0, VTYPE_STRING) || !HasType(arguments, 1, VTYPE_INT)) return false;
    CallDelegate(false, [&](HandlerDelegate* delegate) {
      return delegate->OnExecuteCppCallback(arguments->GetInt(1), arguments->GetString(0));
    });
    return false;
  }
  return false;
}

}  // namespace qiv_comp
