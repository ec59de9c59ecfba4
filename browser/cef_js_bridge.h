#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "include/cef_browser.h"
#include "include/cef_v8.h"

namespace qiv_comp {

// Page scripts call native functions by name and get their answers later;
// native code calls functions that pages registered. The renderer half
// lives on a renderer's main thread, the browser half with a browser
// control; they talk only through process messages:
//   "CallCppFunction"    renderer -> browser  (name, parameter JSON, callback id)
//   "ExecuteJsCallback"  browser -> renderer  (callback id, has error, result JSON)
//   "CallJsFunction"     browser -> renderer  (name, parameter JSON, native callback id, frame id or -1)
//   "ExecuteCppCallback" renderer -> browser  (result JSON, native callback id)
// Texts cross as JSON; longer ones than kMaxTextLength are answered with an
// error instead of being copied across.
class CefJSBridge : public std::enable_shared_from_this<CefJSBridge> {
 public:
  // Answers the page: has error, result JSON. Safe to call from any thread,
  // more than once (only the first call answers) and after the browser
  // closed (it then does nothing).
  using ReportResult = std::function<void(bool has_error, const std::string& result)>;
  // The application's side of a native function: the page's parameter JSON
  // (UTF-8) and the way to answer. Runs on the application's UI thread.
  using NativeFunction = std::function<void(const std::string& params, ReportResult report)>;
  // Receives a page function's result JSON (UTF-8), or a JSON error object
  // when there is none; on the application's UI thread, exactly once.
  using NativeCallback = std::function<void(const std::string& result)>;

  // In UTF-16 units: well above anything the pages send, far below what
  // would hurt to copy.
  static constexpr size_t kMaxTextLength = 8 * 1024 * 1024;
  static const char FunctionNotFoundReply[];

  CefJSBridge();
  ~CefJSBridge();
  CefJSBridge(const CefJSBridge&) = delete;
  CefJSBridge& operator=(const CefJSBridge&) = delete;

  // ---- renderer half: the renderer's main thread only ----

  // Sends the call to the browser process and keeps the callback until the
  // answer comes. False when it could not be sent.
  bool CallNative(const CefString& function_name, const CefString& params, CefRefPtr<CefV8Value> callback);
  // The answer to a call: runs and forgets the page's callback. False when
  // no callback waits under the id.
  bool RunJsCallback(int js_callback_id, bool has_error, const CefString& result);
  // Under the current context's frame. Without |replace| a name already
  // taken in that frame is refused.
  bool RegisterJsFunction(const CefString& function_name, CefRefPtr<CefV8Value> function, bool replace);
  // Runs a registered page function and sends its result back. False when
  // the frame has no function of that name (the caller is told so).
  bool RunJsFunction(const CefString& function_name, const CefString& params, CefRefPtr<CefFrame> frame,
                     int native_callback_id);
  // A frame's context is going away: its pending callbacks and its
  // registered functions go with it. |context| defaults to the frame's.
  void RemoveFrameCallbacks(CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context> context = nullptr);
  void UnregisterFrameFunctions(CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context> context = nullptr);
  // Answers a native caller from this renderer without running anything
  // (the frame it named is gone, say).
  static void AnswerNativeCall(CefRefPtr<CefBrowser> browser, int native_callback_id, const CefString& result);
  // The id the next native call will use.
  int next_js_callback_id() const { return js_callback_id_; }

  // ---- browser half: any thread ----

  // For one browser, or for every browser when |browser| is null. With
  // allowed origins ("https://host" or "https://host:port"), only frames of
  // those origins find the function. Without |replace| a taken name is
  // refused.
  bool RegisterNativeFunction(const std::wstring& function_name, NativeFunction function, CefRefPtr<CefBrowser> browser,
                              bool replace, std::vector<std::wstring> allowed_origins = {});
  bool UnregisterNativeFunction(const std::wstring& function_name, CefRefPtr<CefBrowser> browser);
  // A page's call, from the frame it came from: the function runs on the
  // application's UI thread. False when none was found (the page has been
  // told so).
  bool RunNativeFunction(const CefString& function_name, const CefString& params, int js_callback_id,
                         CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);
  // A page function's answer: hands it to the native caller waiting under
  // the id, on the application's UI thread.
  void RunNativeCallback(int native_callback_id, const CefString& result);
  // Calls a page function of |frame_id| (-1: the main frame) of |browser|.
  // The callback is answered exactly once: with the result, or with an
  // error when the call fails, the function is missing or fails, or the
  // browser closes first. False when it could not be sent (the callback
  // has then been answered with an error).
  bool CallJsFunction(const std::wstring& function_name, const std::string& params, NativeCallback callback,
                      CefRefPtr<CefBrowser> browser, int64_t frame_id = -1);
  // The browser closed: every native caller still waiting on it is answered
  // with an error.
  void DropNativeCallbacks(int browser_id);
  int next_native_callback_id();
  size_t pending_native_callbacks();

 private:
  struct PageFunction {
    CefRefPtr<CefV8Context> context;
    CefRefPtr<CefV8Value> function;
  };
  struct RegisteredNative {
    NativeFunction function;
    std::vector<std::wstring> allowed_origins;
  };
  struct PendingNative {
    int browser_id = -1;
    NativeCallback callback;
  };
  using NameAndId = std::pair<std::wstring, int64_t>;

  // Renderer half.
  int js_callback_id_ = 0;
  std::map<int, PageFunction> pending_page_callbacks_;
  std::map<NameAndId, PageFunction> registered_page_functions_;

  // Browser half: registration runs on the UI thread while the engine's
  // thread looks functions up.
  std::mutex native_lock_;
  int native_callback_id_ = 0;
  std::map<int, PendingNative> pending_native_callbacks_;
  std::map<NameAndId, RegisteredNative> registered_native_functions_;
};

}  // namespace qiv_comp
