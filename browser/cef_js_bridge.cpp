#include "browser/cef_js_bridge.h"

#include <algorithm>
#include <limits>

#include "base/thread_registry.h"
#include "browser/web_origin.h"
#include "include/cef_process_message.h"
#include "include/cef_task.h"

namespace qiv_comp {

const char CefJSBridge::FunctionNotFoundReply[] = "{\"message\":\"Function does not exist.\"}";

namespace {

// The error objects that answer a caller when there is no result to give.
constexpr char kTextTooLongReply[] = "{\"message\":\"Text too long.\"}";
constexpr char kInvalidResultReply[] = "{\"message\":\"Result is not valid JSON.\"}";
constexpr char kInvalidParamsReply[] = "{\"message\":\"Parameters are not valid JSON.\"}";
constexpr char kFunctionFailedReply[] = "{\"message\":\"Function failed.\"}";
constexpr char kBrowserClosedReply[] = "{\"message\":\"Browser closed.\"}";
constexpr char kNotSentReply[] = "{\"message\":\"Call could not be sent.\"}";

class ClosureTask : public CefTask {
 public:
  explicit ClosureTask(std::function<void()> closure) : closure_(std::move(closure)) {}
  void Execute() override { closure_(); }

 private:
  std::function<void()> closure_;
  IMPLEMENT_REFCOUNTING(ClosureTask);
};

bool TooLong(const CefString& text) { return text.length() > CefJSBridge::kMaxTextLength; }

// The JSON object's member of the context's global object, or null.
CefRefPtr<CefV8Value> JsonMember(CefRefPtr<CefV8Context> context, const char* name) {
  CefRefPtr<CefV8Value> global = context ? context->GetGlobal() : nullptr;
  CefRefPtr<CefV8Value> json = global ? global->GetValue("JSON") : nullptr;
  CefRefPtr<CefV8Value> member = json ? json->GetValue(name) : nullptr;
  return member && member->IsFunction() ? member : nullptr;
}

// JSON.parse of the entered context; null when the text is no JSON.
CefRefPtr<CefV8Value> ParseJson(CefRefPtr<CefV8Context> context, const CefString& text) {
  CefRefPtr<CefV8Value> parse = JsonMember(context, "parse");
  return parse ? parse->ExecuteFunction(nullptr, {CefV8Value::CreateString(text)}) : nullptr;
}

// JSON.stringify of the entered context; false for what it cannot express.
bool StringifyJson(CefRefPtr<CefV8Context> context, CefRefPtr<CefV8Value> value, CefString* text) {
  CefRefPtr<CefV8Value> stringify = JsonMember(context, "stringify");
  CefRefPtr<CefV8Value> result = stringify ? stringify->ExecuteFunction(nullptr, {value}) : nullptr;
  if (!result || !result->IsString()) return false;
  *text = result->GetStringValue();
  return true;
}

void SendToBrowser(CefRefPtr<CefFrame> frame, CefRefPtr<CefProcessMessage> message) {
  if (frame) frame->SendProcessMessage(PID_BROWSER, message);
}

void SendExecuteCppCallback(CefRefPtr<CefFrame> frame, const CefString& result, int native_callback_id) {
  CefRefPtr<CefBrowser> browser = frame ? frame->GetBrowser() : nullptr;
  CefRefPtr<CefFrame> main_frame = browser ? browser->GetMainFrame() : nullptr;
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("ExecuteCppCallback");
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  arguments->SetString(0, TooLong(result) ? CefString(kTextTooLongReply) : result);
  arguments->SetInt(1, native_callback_id);
  SendToBrowser(main_frame ? main_frame : frame, message);
}

// One page call's answer: the first report wins, later ones do nothing.
struct PageReply {
  CefRefPtr<CefBrowser> browser;
  int js_callback_id = 0;
  std::atomic<bool> answered{false};
};

void SendJsCallback(const std::shared_ptr<PageReply>& reply, bool has_error, const std::string& result) {
  if (reply->answered.exchange(true)) return;
  CefString text(result);
  if (TooLong(text)) {
    has_error = true;
    text = kTextTooLongReply;
  }
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("ExecuteJsCallback");
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  arguments->SetInt(0, reply->js_callback_id);
  arguments->SetBool(1, has_error);
  arguments->SetString(2, text);
  // A browser that has closed takes no more messages; sending does nothing then.
  if (CefRefPtr<CefFrame> frame = reply->browser->GetMainFrame()) frame->SendProcessMessage(PID_RENDERER, message);
}

bool PostToUi(std::function<void()> task) {
  return qbase::ThreadRegistry::PostTask(qbase::UiThreadId, std::move(task));
}

}  // namespace

CefJSBridge::CefJSBridge() = default;

CefJSBridge::~CefJSBridge() {
  // Nobody waits for ever: callers still waiting hear that it is over.
  std::map<int, PendingNative> pending;
  {
    std::lock_guard<std::mutex> guard(native_lock_);
    pending.swap(pending_native_callbacks_);
  }
  for (auto& entry : pending) {
    NativeCallback callback = std::move(entry.second.callback);
    if (callback) PostToUi([callback] { callback(kBrowserClosedReply); });
  }
}

// ---- renderer half ----

bool CefJSBridge::CallNative(const CefString& function_name, const CefString& params, CefRefPtr<CefV8Value> callback) {
  if (pending_page_callbacks_.count(js_callback_id_)) return false;
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  CefRefPtr<CefFrame> frame = context ? context->GetFrame() : nullptr;
  if (!frame) return false;
  const int id = js_callback_id_;
  pending_page_callbacks_[id] = PageFunction{context, callback};
  ++js_callback_id_;
  if (TooLong(params) || TooLong(function_name)) {
    // Answered here, after the call has returned, as any answer is.
    std::weak_ptr<CefJSBridge> weak = weak_from_this();
    CefRefPtr<CefTask> task = new ClosureTask([weak, id] {
      if (std::shared_ptr<CefJSBridge> self = weak.lock()) self->RunJsCallback(id, true, kTextTooLongReply);
    });
    if (!CefPostTask(TID_RENDERER, task)) pending_page_callbacks_.erase(id);
    return true;
  }
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("CallCppFunction");
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  arguments->SetString(0, function_name);
  arguments->SetString(1, params);
  arguments->SetInt(2, id);
  // From the calling frame, so that the browser side knows whose call it is.
  SendToBrowser(frame, message);
  return true;
}

bool CefJSBridge::RunJsCallback(int js_callback_id, bool has_error, const CefString& result) {
  auto it = pending_page_callbacks_.find(js_callback_id);
  if (it == pending_page_callbacks_.end()) return false;
  PageFunction pending = it->second;
  if (!pending.context || !pending.function) return false;
  // A page that has gone cannot be answered any more.
  if (!pending.context->Enter()) {
    pending_page_callbacks_.erase(js_callback_id);
    return false;
  }
  CefRefPtr<CefV8Value> value = TooLong(result) ? nullptr : ParseJson(pending.context, result);
  if (!value) {
    has_error = true;
    value = ParseJson(pending.context, kInvalidResultReply);
  }
  CefV8ValueList arguments{CefV8Value::CreateBool(has_error)};
  if (value) arguments.push_back(value);
  // Gone before the callback runs, so that a callback calling again finds
  // its id free.
  pending_page_callbacks_.erase(js_callback_id);
  pending.function->ExecuteFunction(nullptr, arguments);
  pending.context->Exit();
  return true;
}

bool CefJSBridge::RegisterJsFunction(const CefString& function_name, CefRefPtr<CefV8Value> function, bool replace) {
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  CefRefPtr<CefFrame> frame = context ? context->GetFrame() : nullptr;
  if (!frame || !function) return false;
  NameAndId key(function_name.ToWString(), frame->GetIdentifier());
  if (!replace && registered_page_functions_.count(key)) return false;
  registered_page_functions_[key] = PageFunction{context, function};
  return true;
}

bool CefJSBridge::RunJsFunction(const CefString& function_name, const CefString& params, CefRefPtr<CefFrame> frame,
                                int native_callback_id) {
  if (!frame) return false;
  auto it = registered_page_functions_.find(NameAndId(function_name.ToWString(), frame->GetIdentifier()));
  if (it == registered_page_functions_.end()) {
    // The native caller is told instead of waiting for ever.
    SendExecuteCppCallback(frame, FunctionNotFoundReply, native_callback_id);
    return false;
  }
  PageFunction registered = it->second;
  CefRefPtr<CefV8Context> context = frame->GetV8Context();
  if (!context || !registered.function || !context->Enter()) {
    SendExecuteCppCallback(frame, FunctionNotFoundReply, native_callback_id);
    return false;
  }
  CefString answer(kFunctionFailedReply);
  CefRefPtr<CefV8Value> argument = ParseJson(context, params);
  if (!argument) {
    answer = kInvalidParamsReply;
  } else {
    CefRefPtr<CefV8Value> result = registered.function->ExecuteFunction(nullptr, {argument});
    CefString text;
    // A function that threw, or gave no object, answers with an error.
    if (result && result->IsObject() && !result->IsFunction() && StringifyJson(context, result, &text)) answer = text;
  }
  SendExecuteCppCallback(frame, answer, native_callback_id);
  context->Exit();
  return true;
}

void CefJSBridge::RemoveFrameCallbacks(CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context> context) {
  if (!context && frame) context = frame->GetV8Context();
  if (!context) return;
  for (auto it = pending_page_callbacks_.begin(); it != pending_page_callbacks_.end();) {
    if (it->second.context && it->second.context->IsSame(context))
      it = pending_page_callbacks_.erase(it);
    else
      ++it;
  }
}

void CefJSBridge::UnregisterFrameFunctions(CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context> context) {
  if (!context && frame) context = frame->GetV8Context();
  const int64_t frame_id = frame ? frame->GetIdentifier() : std::numeric_limits<int64_t>::min();
  for (auto it = registered_page_functions_.begin(); it != registered_page_functions_.end();) {
    const bool same_context = context && it->second.context && it->second.context->IsSame(context);
    if (it->first.second == frame_id || same_context)
      it = registered_page_functions_.erase(it);
    else
      ++it;
  }
}

void CefJSBridge::AnswerNativeCall(CefRefPtr<CefBrowser> browser, int native_callback_id, const CefString& result) {
  if (browser) SendExecuteCppCallback(browser->GetMainFrame(), result, native_callback_id);
}

// ---- browser half ----

bool CefJSBridge::RegisterNativeFunction(const std::wstring& function_name, NativeFunction function,
                                         CefRefPtr<CefBrowser> browser, bool replace,
                                         std::vector<std::wstring> allowed_origins) {
  if (!function) return false;
  RegisteredNative registered{std::move(function), {}};
  for (const std::wstring& origin : allowed_origins) {
    // An entry that is no origin lets nobody in, but still restricts.
    std::wstring normal = WebOriginOf(origin);
    registered.allowed_origins.push_back(normal.empty() ? L"\n" : normal);
  }
  NameAndId key(function_name, browser ? browser->GetIdentifier() : -1);
  std::lock_guard<std::mutex> guard(native_lock_);
  if (!replace && registered_native_functions_.count(key)) return false;
  registered_native_functions_[key] = std::move(registered);
  return true;
}

bool CefJSBridge::UnregisterNativeFunction(const std::wstring& function_name, CefRefPtr<CefBrowser> browser) {
  std::lock_guard<std::mutex> guard(native_lock_);
  return registered_native_functions_.erase(NameAndId(function_name, browser ? browser->GetIdentifier() : -1)) > 0;
}

bool CefJSBridge::RunNativeFunction(const CefString& function_name, const CefString& params, int js_callback_id,
                                    CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
  if (!browser) return false;
  auto reply = std::make_shared<PageReply>();
  reply->browser = browser;
  reply->js_callback_id = js_callback_id;

  if (TooLong(params)) {
    SendJsCallback(reply, true, kTextTooLongReply);
    return false;
  }
  NativeFunction function;
  bool restricted = false;
  std::vector<std::wstring> allowed;
  {
    std::lock_guard<std::mutex> guard(native_lock_);
    const std::wstring name = function_name.ToWString();
    auto it = registered_native_functions_.find(NameAndId(name, browser->GetIdentifier()));
    if (it == registered_native_functions_.end()) it = registered_native_functions_.find(NameAndId(name, -1));
    if (it != registered_native_functions_.end()) {
      function = it->second.function;
      restricted = !it->second.allowed_origins.empty();
      allowed = it->second.allowed_origins;
    }
  }
  if (function && restricted) {
    // Whose call it is comes from the frame the message came from, never
    // from anything the page says.
    CefRefPtr<CefFrame> caller = frame ? frame : browser->GetMainFrame();
    const std::wstring origin = caller ? WebOriginOf(caller->GetURL().ToWString()) : std::wstring();
    if (origin.empty() || std::find(allowed.begin(), allowed.end(), origin) == allowed.end()) function = nullptr;
  }
  if (!function) {
    SendJsCallback(reply, true, FunctionNotFoundReply);
    return false;
  }
  std::string utf8_params = params.ToString();
  ReportResult report = [reply](bool has_error, const std::string& result) {
    SendJsCallback(reply, has_error, result);
  };
  if (!PostToUi([function, utf8_params, report] { function(utf8_params, report); })) report(true, kNotSentReply);
  return true;
}

void CefJSBridge::RunNativeCallback(int native_callback_id, const CefString& result) {
  NativeCallback callback;
  {
    std::lock_guard<std::mutex> guard(native_lock_);
    auto it = pending_native_callbacks_.find(native_callback_id);
    // An id that is not pending (never used, or answered) is ignored.
    if (it == pending_native_callbacks_.end()) return;
    callback = std::move(it->second.callback);
    pending_native_callbacks_.erase(it);
  }
  if (!callback) return;
  std::string text = TooLong(result) ? std::string(kTextTooLongReply) : result.ToString();
  PostToUi([callback, text] { callback(text); });
}

bool CefJSBridge::CallJsFunction(const std::wstring& function_name, const std::string& params, NativeCallback callback,
                                 CefRefPtr<CefBrowser> browser, int64_t frame_id) {
  int id = 0;
  {
    std::lock_guard<std::mutex> guard(native_lock_);
    id = native_callback_id_++;
    pending_native_callbacks_[id] = PendingNative{browser ? browser->GetIdentifier() : -1, std::move(callback)};
  }
  CefString text(params);
  CefRefPtr<CefFrame> main_frame = browser ? browser->GetMainFrame() : nullptr;
  if (TooLong(text) || TooLong(CefString(function_name))) {
    RunNativeCallback(id, kTextTooLongReply);
    return false;
  }
  // Frame ids travel as 32-bit integers; one that does not fit names no frame.
  if (!main_frame || frame_id > std::numeric_limits<int>::max()) {
    RunNativeCallback(id, main_frame ? FunctionNotFoundReply : kNotSentReply);
    return false;
  }
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("CallJsFunction");
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  arguments->SetString(0, function_name);
  arguments->SetString(1, text);
  arguments->SetInt(2, id);
  arguments->SetInt(3, frame_id < 0 ? -1 : static_cast<int>(frame_id));
  main_frame->SendProcessMessage(PID_RENDERER, message);
  return true;
}

void CefJSBridge::DropNativeCallbacks(int browser_id) {
  std::vector<NativeCallback> dropped;
  {
    std::lock_guard<std::mutex> guard(native_lock_);
    for (auto it = pending_native_callbacks_.begin(); it != pending_native_callbacks_.end();) {
      if (it->second.browser_id == browser_id) {
        dropped.push_back(std::move(it->second.callback));
        it = pending_native_callbacks_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (NativeCallback& callback : dropped) {
    if (callback) PostToUi([callback] { callback(kBrowserClosedReply); });
  }
}

int CefJSBridge::next_native_callback_id() {
  std::lock_guard<std::mutex> guard(native_lock_);
  return native_callback_id_;
}

size_t CefJSBridge::pending_native_callbacks() {
  std::lock_guard<std::mutex> guard(native_lock_);
  return pending_native_callbacks_.size();
}

}  // namespace qiv_comp
