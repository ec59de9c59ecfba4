#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/closure.h"
#include "base/weak_callback.h"
#include "browser/unregisted_callback_list.h"
#include "include/cef_client.h"

namespace qiv_comp {

// The engine client of one browser control. The engine calls it on its own
// UI thread. Events that only inform the control are posted to the
// application's UI thread and dropped once the control is gone; events whose
// answer the engine needs at once are answered there and then, on the
// engine's thread.
class BrowserHandler : public qbase::SupportWeakCallback,
                       public CefClient,
                       public CefLifeSpanHandler,
                       public CefRenderHandler,
                       public CefContextMenuHandler,
                       public CefDisplayHandler,
                       public CefDragHandler,
                       public CefJSDialogHandler,
                       public CefKeyboardHandler,
                       public CefLoadHandler,
                       public CefRequestHandler,
                       public CefDownloadHandler,
                       public CefDialogHandler {
 public:
  // What the browser control hears of its browsers. "Direct" operations run
  // on the engine's UI thread while the engine waits for the answer; they
  // may only read what the control keeps for them. Every other operation
  // runs on the application's UI thread. A delegate names the weak flag
  // that ends with it (a control's own), so that posted events are dropped
  // once it is gone.
  class HandlerDelegate {
   public:
    virtual ~HandlerDelegate() = default;
    virtual std::weak_ptr<qbase::WeakFlag> GetHandlerDelegateFlag() = 0;
    // The frame is immutable and lives for the call.
    virtual void OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
                         const CefRenderHandler::RectList& dirty_rects, const std::string* buffer, int width,
                         int height) = 0;
    virtual void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) = 0;
    virtual void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) = 0;
    virtual void UpdateWindowPosition() = 0;
    // Direct.
    virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) = 0;
    // Direct.
    virtual bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefContextMenuParams> params, int command_id,
                                      cef_event_flags_value_t event_flags) = 0;
    virtual void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& url) = 0;
    virtual void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) = 0;
    virtual void OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading, bool can_go_back,
                                      bool can_go_forward) = 0;
    virtual void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) = 0;
    virtual void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int http_status_code) = 0;
    virtual void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, cef_errorcode_t error_code,
                             const CefString& error_text, const CefString& failed_url) = 0;
    // Direct. True opens the target in this browser's main frame.
    virtual bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                               const CefString& target_frame_name,
                               CefLifeSpanHandlerWindowOpenDisposition target_disposition, bool user_gesture,
                               const CefPopupFeatures& popup_features, CefWindowInfo& window_info,
                               CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                               bool* no_javascript_access) = 0;
    virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) = 0;
    virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) = 0;
    // Direct. True cancels the navigation.
    virtual bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request,
                                bool is_redirect) = 0;
    virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                           CefRequestHandlerTerminationStatus status) = 0;
    // Direct.
    virtual void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                  const CefString& suggested_name, CefRefPtr<CefBeforeDownloadCallback> callback) = 0;
    // Direct.
    virtual void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                                   CefRefPtr<CefDownloadItemCallback> callback) = 0;
    // Direct.
    virtual bool OnFileDialog(CefRefPtr<CefBrowser> browser, CefDialogHandlerFileDialogMode mode,
                              const CefString& title, const CefString& default_file_path,
                              const std::vector<CefString>& accept_filters, int selected_accept_filter,
                              CefRefPtr<CefFileDialogCallback> callback) = 0;
    // Direct. The frame is the one the page's call came from.
    virtual bool OnExecuteCppFunction(const CefString& function_name, const CefString& params, int js_callback_id,
                                      CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) = 0;
    // Direct.
    virtual bool OnExecuteCppCallback(int native_callback_id, const CefString& result) = 0;
  };

  // Pages may keep this much data; a request for more is refused.
  static constexpr int64_t QuotaLimitBytes = 20 * 1024 * 1024;

  BrowserHandler();
  ~BrowserHandler() override;

  // Application UI thread.
  void SetHostWindow(HWND window) { host_window_ = window; }
  HWND GetHostWindow() const { return host_window_; }
  // Waits for a direct call in progress, so that none reaches a delegate
  // after it was taken away.
  void SetHandlerDelegate(HandlerDelegate* delegate);
  // Returns once a direct call in progress has returned.
  void WaitForDirectCall() { std::lock_guard<std::recursive_mutex> guard(delegate_lock_); }
  // Any thread; the rectangle is in the host window's client coordinates.
  void SetViewRect(const RECT& rect);
  // Any thread.
  CefRefPtr<CefBrowser> GetBrowser();
  CefRefPtr<CefBrowserHost> GetBrowserHost();
  // Application UI thread: runs once, after the next browser creation.
  qbase::Closure AddAfterCreatedCallback(qbase::Closure callback);
  // Force-closes every browser of this handler.
  void CloseAllBrowsers();
  bool IsCurrentFocusedEditable() const { return editable_focus_; }
  // Application UI thread.
  size_t GetBrowserCount() const { return browser_list_.size(); }

  // CefClient
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
  CefRefPtr<CefDialogHandler> GetDialogHandler() override { return this; }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  CefRefPtr<CefDownloadHandler> GetDownloadHandler() override { return this; }
  CefRefPtr<CefDragHandler> GetDragHandler() override { return this; }
  CefRefPtr<CefJSDialogHandler> GetJSDialogHandler() override { return this; }
  CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() override { return this; }
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  // CefLifeSpanHandler
  bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& target_url,
                     const CefString& target_frame_name, CefLifeSpanHandlerWindowOpenDisposition target_disposition,
                     bool user_gesture, const CefPopupFeatures& popup_features, CefWindowInfo& window_info,
                     CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                     CefRefPtr<CefDictionaryValue>& extra_info, bool* no_javascript_access) override;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  bool DoClose(CefRefPtr<CefBrowser> browser) override { return false; }
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;

  // CefRenderHandler
  bool GetRootScreenRect(CefRefPtr<CefBrowser> browser, CefRect& rect) override;
  void GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) override;
  bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int view_x, int view_y, int& screen_x, int& screen_y) override;
  void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) override;
  void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) override;
  void OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type, const RectList& dirty_rects,
               const void* buffer, int width, int height) override;
  void OnCursorChange(CefRefPtr<CefBrowser> browser, CefCursorHandle cursor, CefRenderHandlerCursorType type,
                      const CefCursorInfo& custom_cursor_info) override;

  // CefContextMenuHandler
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model) override;
  bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefContextMenuParams> params, int command_id,
                            cef_event_flags_value_t event_flags) override;

  // CefDisplayHandler
  void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const CefString& url) override;
  void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override;
  bool OnConsoleMessage(CefRefPtr<CefBrowser> browser, cef_log_severity_t level, const CefString& message,
                        const CefString& source, int line) override {
    return true;
  }

  // CefJSDialogHandler
  bool OnJSDialog(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                  CefJSDialogHandlerJSDialogType dialog_type, const CefString& message_text,
                  const CefString& default_prompt_text, CefRefPtr<CefJSDialogCallback> callback,
                  bool& suppress_message) override;

  // CefLoadHandler
  void OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading, bool can_go_back,
                            bool can_go_forward) override;
  void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                   CefLoadHandlerTransitionType transition_type) override;
  void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, int http_status_code) override;
  void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefLoadHandlerErrorCode error_code,
                   const CefString& error_text, const CefString& failed_url) override;

  // CefRequestHandler
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefRequest> request,
                      bool user_gesture, bool is_redirect) override;
  bool OnQuotaRequest(CefRefPtr<CefBrowser> browser, const CefString& origin_url, int64_t new_size,
                      CefRefPtr<CefRequestCallback> callback) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser, CefRequestHandlerTerminationStatus status) override;

  // CefDownloadHandler
  void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                        const CefString& suggested_name, CefRefPtr<CefBeforeDownloadCallback> callback) override;
  void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                         CefRefPtr<CefDownloadItemCallback> callback) override;

  // CefDialogHandler
  bool OnFileDialog(CefRefPtr<CefBrowser> browser, CefDialogHandlerFileDialogMode mode, const CefString& title,
                    const CefString& default_file_path, const std::vector<CefString>& accept_filters,
                    int selected_accept_filter, CefRefPtr<CefFileDialogCallback> callback) override;

 private:
  struct Frame {
    CefRefPtr<CefBrowser> browser;
    std::shared_ptr<const std::string> pixels;
    RectList dirty_rects;
    int width = 0;
    int height = 0;
    // Of the paint that stored it: a task for an older paint finds a newer
    // frame here and leaves it to that paint's own task.
    uint64_t sequence = 0;
  };

  // Runs |call| with the delegate on the application's UI thread, unless
  // the delegate is gone or replaced by then.
  template <typename Call>
  void PostToDelegate(Call call);
  // Runs |call| with the delegate here and now; |fallback| without one.
  template <typename Result, typename Call>
  Result CallDelegate(Result fallback, Call call);
  HandlerDelegate* CurrentDelegate();

  // Application UI thread: the posted halves of the life-span callbacks.
  void AfterCreated(CefRefPtr<CefBrowser> browser);
  void BeforeClose(CefRefPtr<CefBrowser> browser);
  void DeliverFrame(cef_paint_element_type_t type, uint64_t sequence);

  std::atomic<HWND> host_window_{nullptr};
  std::recursive_mutex delegate_lock_;
  HandlerDelegate* delegate_ = nullptr;
  std::weak_ptr<qbase::WeakFlag> delegate_flag_;

  // Changed on the application's UI thread; the engine's thread reads the
  // current browser under the lock.
  mutable std::mutex browsers_lock_;
  CefRefPtr<CefBrowser> current_browser_;
  std::vector<CefRefPtr<CefBrowser>> browser_list_;
  UnregistedCallbackList<qbase::Closure> after_created_callbacks_;

  // Engine UI thread only.
  RECT control_rect_ = {};

  // Frames the engine painted that the UI thread has not taken yet: only
  // the newest of each kind is kept, and each is never written again.
  std::mutex frames_lock_;
  Frame pending_view_;
  Frame pending_popup_;
  uint64_t paint_sequence_ = 0;

  std::atomic<bool> editable_focus_{false};
  IMPLEMENT_REFCOUNTING(BrowserHandler);
};

}  // namespace qiv_comp
