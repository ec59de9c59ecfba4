#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "browser/browser_handler.h"
#include "browser/cef_js_bridge.h"
#include "ui/core/control.h"

namespace qiv_comp {

// What both browser controls share: the handler and the bridge, navigation,
// developer tools and the callbacks the application attaches. UI thread
// only, except the handler's direct calls, which read the callbacks under
// their lock.
class CefControlBase : public ui::Control, public BrowserHandler::HandlerDelegate {
 public:
  using OnBeforeMenuEvent = std::function<void(CefRefPtr<CefContextMenuParams>, CefRefPtr<CefMenuModel>)>;
  using OnMenuCommandEvent =
      std::function<bool(CefRefPtr<CefContextMenuParams>, int command_id, cef_event_flags_value_t event_flags)>;
  using OnTitleChangeEvent = std::function<void(const std::wstring& title)>;
  using OnUrlChangeEvent = std::function<void(const std::wstring& url)>;
  using OnMainUrlChangeEvent = std::function<void(const CefString& old_url, const CefString& new_url)>;
  using OnLinkClickEvent = std::function<bool(const std::wstring& url)>;
  using OnLoadingStateChangeEvent = std::function<void(bool is_loading, bool can_go_back, bool can_go_forward)>;
  using OnLoadStartEvent = std::function<void()>;
  using OnLoadEndEvent = std::function<void(int http_status_code)>;
  using OnLoadErrorEvent =
      std::function<void(cef_errorcode_t error_code, const CefString& error_text, const CefString& failed_url)>;
  using OnAfterCreatedEvent = std::function<void(CefRefPtr<CefBrowser>)>;
  using OnBeforeCloseEvent = std::function<void(CefRefPtr<CefBrowser>)>;
  using OnBeforeNavigateEvent =
      std::function<bool(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefRequest>, bool is_redirect)>;
  using OnBeforeDownloadEvent =
      std::function<void(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem>, const CefString& suggested_name,
                         CefRefPtr<CefBeforeDownloadCallback>)>;
  using OnDownloadUpdatedEvent =
      std::function<void(CefRefPtr<CefBrowser>, CefRefPtr<CefDownloadItem>, CefRefPtr<CefDownloadItemCallback>)>;
  using OnFileDialogEvent = std::function<bool(
      CefDialogHandlerFileDialogMode mode, const CefString& title, const CefString& default_file_path,
      const std::vector<CefString>& accept_filters, int selected_accept_filter, CefRefPtr<CefFileDialogCallback>)>;
  using OnDevToolsVisibleChangeEvent = std::function<void(bool visible)>;
  using OnRenderProcessTerminatedEvent = std::function<void(CefRequestHandlerTerminationStatus status)>;

  CefControlBase();
  ~CefControlBase() override;

  // Each setter replaces the callable before it. The before-menu,
  // menu-command, link-click, before-navigate, download and file-dialog
  // callables run on the engine's thread while the engine waits: they must
  // not wait for the UI thread.
  void AttachBeforeContextMenu(OnBeforeMenuEvent callback);
  void AttachContextMenuCommand(OnMenuCommandEvent callback);
  void AttachTitleChange(OnTitleChangeEvent callback);
  void AttachUrlChange(OnUrlChangeEvent callback);
  void AttachMainUrlChange(OnMainUrlChangeEvent callback);
  void AttachLinkClick(OnLinkClickEvent callback);
  void AttachLoadingStateChange(OnLoadingStateChangeEvent callback);
  void AttachLoadStart(OnLoadStartEvent callback);
  void AttachLoadEnd(OnLoadEndEvent callback);
  void AttachLoadError(OnLoadErrorEvent callback);
  void AttachAfterCreated(OnAfterCreatedEvent callback);
  void AttachBeforeClose(OnBeforeCloseEvent callback);
  void AttachBeforeNavigate(OnBeforeNavigateEvent callback);
  void AttachBeforeDownload(OnBeforeDownloadEvent callback);
  void AttachDownloadUpdated(OnDownloadUpdatedEvent callback);
  void AttachFileDialog(OnFileDialogEvent callback);
  void AttachDevToolsVisibleChange(OnDevToolsVisibleChangeEvent callback);
  // The page's renderer died; the page stays as it is unless told otherwise.
  void AttachRenderProcessTerminated(OnRenderProcessTerminatedEvent callback);
  // Drops every callable at once, waiting for one the engine runs now: for
  // a window whose handlers are about to go.
  void DetachAllCallbacks();

  // Before the browser exists the address waits for it.
  void LoadURL(const CefString& url);
  void GoBack();
  void GoForward();
  void Refresh();
  void SetAudioMuted(bool muted);
  const CefString& GetURL() const { return url_; }
  CefRefPtr<CefBrowser> GetBrowser() const;
  CefRefPtr<BrowserHandler> GetHandler() const { return browser_handler_; }

  // Offers a native function to pages: to the current browser only, or to
  // every browser of this control when |global| is set. With
  // |allowed_origins| only frames of those origins find it. False before
  // the browser exists, and for a name already taken.
  bool RegisterNativeFunction(const std::wstring& function_name, CefJSBridge::NativeFunction function, bool global,
                              std::vector<std::wstring> allowed_origins = {});
  bool UnregisterNativeFunction(const std::wstring& function_name, bool global);
  // Calls a function the page registered in |frame_id| (-1: the main
  // frame). The callback hears the result, or an error object, exactly
  // once on the UI thread.
  bool CallJsFunction(const std::wstring& function_name, const std::string& params,
                      CefJSBridge::NativeCallback callback, int64_t frame_id = -1);

  // Visibility reaches the browser as each kind shows it.
  void SetFadeVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void SetVisible(bool visible) override;

  // Calls ReCreateBrowser.
  virtual void ReCreate() { ReCreateBrowser(); }
  // |view| is the control that shows the tools (the off-screen kind's).
  virtual bool AttachDevTools(ui::Control* view) = 0;
  virtual void DetachDevTools();
  virtual bool IsDevToolsAttached() const { return devtools_attached_; }
  // Creates the engine browser when the handler has none.
  virtual void ReCreateBrowser() = 0;

  // HandlerDelegate
  std::weak_ptr<qbase::WeakFlag> GetHandlerDelegateFlag() override { return GetWeakFlag(); }
  void UpdateWindowPosition() override;
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) override;
  bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefContextMenuParams> params, int command_id,
                            cef_event_flags_value_t event_flags) override;
  void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& url) override;
  void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override;
  void OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading, bool can_go_back,
                            bool can_go_forward) override;
  void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override;
  void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int http_status_code) override;
  void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, cef_errorcode_t error_code,
                   const CefString& error_text, const CefString& failed_url) override;
  bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                     const CefString& target_frame_name, CefLifeSpanHandlerWindowOpenDisposition target_disposition,
                     bool user_gesture, const CefPopupFeatures& popup_features, CefWindowInfo& window_info,
                     CefRefPtr<CefClient>& client, CefBrowserSettings& settings, bool* no_javascript_access) override;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request,
                      bool is_redirect) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser, CefRequestHandlerTerminationStatus status) override;
  void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                        const CefString& suggested_name, CefRefPtr<CefBeforeDownloadCallback> callback) override;
  void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                         CefRefPtr<CefDownloadItemCallback> callback) override;
  bool OnFileDialog(CefRefPtr<CefBrowser> browser, CefDialogHandlerFileDialogMode mode, const CefString& title,
                    const CefString& default_file_path, const std::vector<CefString>& accept_filters,
                    int selected_accept_filter, CefRefPtr<CefFileDialogCallback> callback) override;
  bool OnExecuteCppFunction(const CefString& function_name, const CefString& params, int js_callback_id,
                            CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override;
  bool OnExecuteCppCallback(int native_callback_id, const CefString& result) override;

 protected:
  // Makes the handler (its host window is ours, its delegate this control)
  // and the bridge when they do not exist yet.
  void CreateHandlerAndBridge();
  // Cuts the handler loose: no event reaches this control any more.
  void ReleaseHandler();
  void SetDevToolsAttached(bool attached);
  // Tells the browser whether the control is visible now.
  virtual void ApplyVisibility() {}
  // The callable under the lock, for the engine's thread.
  template <typename Callback>
  Callback Get(const Callback& slot) const {
    std::lock_guard<std::mutex> guard(callbacks_lock_);
    return slot;
  }
  template <typename Callback>
  void Set(Callback& slot, Callback callback) {
    std::lock_guard<std::mutex> guard(callbacks_lock_);
    slot = std::move(callback);
  }

  CefRefPtr<BrowserHandler> browser_handler_;
  std::shared_ptr<CefJSBridge> js_bridge_;
  CefString url_;

  mutable std::mutex callbacks_lock_;
  OnBeforeMenuEvent cb_before_menu_;
  OnMenuCommandEvent cb_menu_command_;
  OnTitleChangeEvent cb_title_change_;
  OnUrlChangeEvent cb_url_change_;
  OnMainUrlChangeEvent cb_main_url_change_;
  OnLinkClickEvent cb_link_click_;
  OnLoadingStateChangeEvent cb_loadstate_change_;
  OnLoadStartEvent cb_load_start_;
  OnLoadEndEvent cb_load_end_;
  OnLoadErrorEvent cb_load_error_;
  OnAfterCreatedEvent cb_after_created_;
  OnBeforeCloseEvent cb_before_close_;
  OnBeforeNavigateEvent cb_before_navigate_;
  OnBeforeDownloadEvent cb_before_download_;
  OnDownloadUpdatedEvent cb_download_updated_;
  OnFileDialogEvent cb_file_dialog_;
  OnDevToolsVisibleChangeEvent cb_devtools_visible_change_;
  OnRenderProcessTerminatedEvent cb_render_process_terminated_;

  // Framework thread of the last native call; -1 when it was none.
  std::atomic<int> native_call_thread_{-1};
  bool devtools_attached_ = false;
};

}  // namespace qiv_comp
