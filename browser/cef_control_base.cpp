#include "browser/cef_control_base.h"

#include "base/framework_thread.h"
#include "base/thread_registry.h"
#include "ui/core/control_host.h"

namespace qiv_comp {

namespace {

// An address without what follows its first "#".
std::wstring WithoutFragment(const std::wstring& url) { return url.substr(0, url.find(L'#')); }

}  // namespace

CefControlBase::CefControlBase() = default;

CefControlBase::~CefControlBase() { ReleaseHandler(); }

void CefControlBase::AttachBeforeContextMenu(OnBeforeMenuEvent callback) { Set(cb_before_menu_, std::move(callback)); }
void CefControlBase::AttachContextMenuCommand(OnMenuCommandEvent callback) {
  Set(cb_menu_command_, std::move(callback));
}
void CefControlBase::AttachTitleChange(OnTitleChangeEvent callback) { Set(cb_title_change_, std::move(callback)); }
void CefControlBase::AttachUrlChange(OnUrlChangeEvent callback) { Set(cb_url_change_, std::move(callback)); }
void CefControlBase::AttachMainUrlChange(OnMainUrlChangeEvent callback) {
  Set(cb_main_url_change_, std::move(callback));
}
void CefControlBase::AttachLinkClick(OnLinkClickEvent callback) { Set(cb_link_click_, std::move(callback)); }
void CefControlBase::AttachLoadingStateChange(OnLoadingStateChangeEvent callback) {
  Set(cb_loadstate_change_, std::move(callback));
}
void CefControlBase::AttachLoadStart(OnLoadStartEvent callback) { Set(cb_load_start_, std::move(callback)); }
void CefControlBase::AttachLoadEnd(OnLoadEndEvent callback) { Set(cb_load_end_, std::move(callback)); }
void CefControlBase::AttachLoadError(OnLoadErrorEvent callback) { Set(cb_load_error_, std::move(callback)); }
void CefControlBase::AttachAfterCreated(OnAfterCreatedEvent callback) { Set(cb_after_created_, std::move(callback)); }
void CefControlBase::AttachBeforeClose(OnBeforeCloseEvent callback) { Set(cb_before_close_, std::move(callback)); }
void CefControlBase::AttachBeforeNavigate(OnBeforeNavigateEvent callback) {
  Set(cb_before_navigate_, std::move(callback));
}
void CefControlBase::AttachBeforeDownload(OnBeforeDownloadEvent callback) {
  Set(cb_before_download_, std::move(callback));
}
void CefControlBase::AttachDownloadUpdated(OnDownloadUpdatedEvent callback) {
  Set(cb_download_updated_, std::move(callback));
}
void CefControlBase::AttachFileDialog(OnFileDialogEvent callback) { Set(cb_file_dialog_, std::move(callback)); }
void CefControlBase::AttachDevToolsVisibleChange(OnDevToolsVisibleChangeEvent callback) {
  Set(cb_devtools_visible_change_, std::move(callback));
}
void CefControlBase::AttachRenderProcessTerminated(OnRenderProcessTerminatedEvent callback) {
  Set(cb_render_process_terminated_, std::move(callback));
}

void CefControlBase::DetachAllCallbacks() {
  {
    std::lock_guard<std::mutex> guard(callbacks_lock_);
    cb_before_menu_ = nullptr;
    cb_menu_command_ = nullptr;
    cb_title_change_ = nullptr;
    cb_url_change_ = nullptr;
    cb_main_url_change_ = nullptr;
    cb_link_click_ = nullptr;
    cb_loadstate_change_ = nullptr;
    cb_load_start_ = nullptr;
    cb_load_end_ = nullptr;
    cb_load_error_ = nullptr;
    cb_after_created_ = nullptr;
    cb_before_close_ = nullptr;
    cb_before_navigate_ = nullptr;
    cb_before_download_ = nullptr;
    cb_download_updated_ = nullptr;
    cb_file_dialog_ = nullptr;
    cb_devtools_visible_change_ = nullptr;
    cb_render_process_terminated_ = nullptr;
  }
  // A callable the engine's thread took before is done once this returns.
  if (browser_handler_) browser_handler_->WaitForDirectCall();
}

void CefControlBase::CreateHandlerAndBridge() {
  // The bridge first: the engine's thread reaches it as soon as a browser
  // exists.
  if (!js_bridge_) js_bridge_ = std::make_shared<CefJSBridge>();
  if (!browser_handler_) {
    browser_handler_ = new BrowserHandler();
    browser_handler_->SetHostWindow(window_ ? window_->GetHWND() : nullptr);
    browser_handler_->SetHandlerDelegate(this);
    ReCreateBrowser();
  }
}

void CefControlBase::ReleaseHandler() {
  if (!browser_handler_) return;
  browser_handler_->SetHostWindow(nullptr);
  browser_handler_->SetHandlerDelegate(nullptr);
  browser_handler_ = nullptr;
}

CefRefPtr<CefBrowser> CefControlBase::GetBrowser() const {
  return browser_handler_ ? browser_handler_->GetBrowser() : nullptr;
}

void CefControlBase::LoadURL(const CefString& url) {
  if (CefRefPtr<CefBrowser> browser = GetBrowser()) {
    if (CefRefPtr<CefFrame> frame = browser->GetMainFrame()) frame->LoadURL(url);
    return;
  }
  if (!browser_handler_) return;
  browser_handler_->AddAfterCreatedCallback(ToWeakCallback([this, url] { LoadURL(url); }));
}

void CefControlBase::GoBack() {
  if (CefRefPtr<CefBrowser> browser = GetBrowser()) browser->GoBack();
}

void CefControlBase::GoForward() {
  if (CefRefPtr<CefBrowser> browser = GetBrowser()) browser->GoForward();
}

void CefControlBase::Refresh() {
  if (CefRefPtr<CefBrowser> browser = GetBrowser()) browser->Reload();
}

void CefControlBase::SetAudioMuted(bool muted) {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr) host->SetAudioMuted(muted);
}

bool CefControlBase::RegisterNativeFunction(const std::wstring& function_name, CefJSBridge::NativeFunction function,
                                            bool global, std::vector<std::wstring> allowed_origins) {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!browser || !js_bridge_) return false;
  return js_bridge_->RegisterNativeFunction(function_name, std::move(function), global ? nullptr : browser, false,
                                            std::move(allowed_origins));
}

bool CefControlBase::UnregisterNativeFunction(const std::wstring& function_name, bool global) {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!js_bridge_ || (!global && !browser)) return false;
  return js_bridge_->UnregisterNativeFunction(function_name, global ? nullptr : browser);
}

bool CefControlBase::CallJsFunction(const std::wstring& function_name, const std::string& params,
                                    CefJSBridge::NativeCallback callback, int64_t frame_id) {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!js_bridge_) return false;
  return js_bridge_->CallJsFunction(function_name, params, std::move(callback), browser, frame_id);
}

void CefControlBase::DetachDevTools() {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!devtools_attached_ || !browser) return;
  if (CefRefPtr<CefBrowserHost> host = browser->GetHost()) host->CloseDevTools();
  SetDevToolsAttached(false);
}

void CefControlBase::SetFadeVisible(bool visible) {
  ui::Control::SetFadeVisible(visible);
  ApplyVisibility();
}

void CefControlBase::SetInternVisible(bool visible) {
  ui::Control::SetInternVisible(visible);
  ApplyVisibility();
}

void CefControlBase::SetVisible(bool visible) {
  ui::Control::SetVisible(visible);
  ApplyVisibility();
}

void CefControlBase::SetDevToolsAttached(bool attached) {
  devtools_attached_ = attached;
  if (cb_devtools_visible_change_) cb_devtools_visible_change_(attached);
}

// ---- HandlerDelegate ----

void CefControlBase::UpdateWindowPosition() { SetPos(GetPos()); }

void CefControlBase::OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                         CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) {
  if (OnBeforeMenuEvent callback = Get(cb_before_menu_)) callback(params, model);
}

bool CefControlBase::OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                          CefRefPtr<CefContextMenuParams> params, int command_id,
                                          cef_event_flags_value_t event_flags) {
  OnMenuCommandEvent callback = Get(cb_menu_command_);
  return callback ? callback(params, command_id, event_flags) : false;
}

void CefControlBase::OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& url) {
  std::weak_ptr<qbase::WeakFlag> alive = GetWeakFlag();
  if (cb_url_change_) cb_url_change_(url.ToWString());
  if (alive.expired() || !frame || !frame->IsMain()) return;
  // The address this event is about: by the time it is handed over here
  // the frame may have moved on.
  const CefString old_url = url_;
  url_ = url;
  if (cb_main_url_change_ && WithoutFragment(old_url.ToWString()) != WithoutFragment(url_.ToWString()))
    cb_main_url_change_(old_url, url_);
}

void CefControlBase::OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) {
  if (cb_title_change_) cb_title_change_(title.ToWString());
}

void CefControlBase::OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading, bool can_go_back,
                                          bool can_go_forward) {
  if (cb_loadstate_change_) cb_loadstate_change_(is_loading, can_go_back, can_go_forward);
}

void CefControlBase::OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
  if (cb_load_start_) cb_load_start_();
}

void CefControlBase::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int http_status_code) {
  if (cb_load_end_) cb_load_end_(http_status_code);
}

void CefControlBase::OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, cef_errorcode_t error_code,
                                 const CefString& error_text, const CefString& failed_url) {
  if (cb_load_error_) cb_load_error_(error_code, error_text, failed_url);
}

bool CefControlBase::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                   const CefString& target_url, const CefString& target_frame_name,
                                   CefLifeSpanHandlerWindowOpenDisposition target_disposition, bool user_gesture,
                                   const CefPopupFeatures& popup_features, CefWindowInfo& window_info,
                                   CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                                   bool* no_javascript_access) {
  OnLinkClickEvent callback = Get(cb_link_click_);
  if (!callback || target_url.empty()) return false;
  return callback(target_url.ToWString());
}

void CefControlBase::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  if (cb_after_created_) cb_after_created_(browser);
}

void CefControlBase::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  // Native callers waiting on the page hear that it has gone.
  if (js_bridge_ && browser) js_bridge_->DropNativeCallbacks(browser->GetIdentifier());
  if (cb_before_close_) cb_before_close_(browser);
}

void CefControlBase::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                               CefRequestHandlerTerminationStatus status) {
  // Only the browser the control shows: an older one behind it has no page
  // to bring back here.
  CefRefPtr<CefBrowser> current = GetBrowser();
  if (!browser || !current || !current->IsSame(browser)) return;
  if (cb_render_process_terminated_) cb_render_process_terminated_(status);
}

bool CefControlBase::OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefRequest> request, bool is_redirect) {
  OnBeforeNavigateEvent callback = Get(cb_before_navigate_);
  return callback ? callback(browser, frame, request, is_redirect) : false;
}

void CefControlBase::OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                      const CefString& suggested_name, CefRefPtr<CefBeforeDownloadCallback> callback) {
  if (OnBeforeDownloadEvent event = Get(cb_before_download_)) event(browser, download_item, suggested_name, callback);
}

void CefControlBase::OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                       CefRefPtr<CefDownloadItemCallback> callback) {
  if (OnDownloadUpdatedEvent event = Get(cb_download_updated_)) event(browser, download_item, callback);
}

bool CefControlBase::OnFileDialog(CefRefPtr<CefBrowser> browser, CefDialogHandlerFileDialogMode mode,
                                  const CefString& title, const CefString& default_file_path,
                                  const std::vector<CefString>& accept_filters, int selected_accept_filter,
                                  CefRefPtr<CefFileDialogCallback> callback) {
  OnFileDialogEvent event = Get(cb_file_dialog_);
  return event ? event(mode, title, default_file_path, accept_filters, selected_accept_filter, callback) : false;
}

bool CefControlBase::OnExecuteCppFunction(const CefString& function_name, const CefString& params, int js_callback_id,
                                          CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
  native_call_thread_ = qbase::ThreadRegistry::CurrentThreadIdentifier();
  return js_bridge_ ? js_bridge_->RunNativeFunction(function_name, params, js_callback_id, browser, frame) : false;
}

bool CefControlBase::OnExecuteCppCallback(int native_callback_id, const CefString& result) {
  std::shared_ptr<CefJSBridge> bridge = js_bridge_;
  if (!bridge) return false;
  const int thread = native_call_thread_;
  if (thread == -1) {
    bridge->RunNativeCallback(native_callback_id, result);
  } else {
    qbase::ThreadRegistry::PostTask(
        thread, [bridge, native_callback_id, result] { bridge->RunNativeCallback(native_callback_id, result); });
  }
  return true;
}

}  // namespace qiv_comp
