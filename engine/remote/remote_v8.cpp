// The real engine's script values and contexts, which refer to each other:
// a context gives its global object, a value belongs to its context.

#include "base/string_conversions.h"
#include "engine/remote/remote_v8_context.h"
#include "engine/remote/remote_v8_value.h"
#include "engine/shared/renderer_thread.h"

namespace remote {


namespace {

std::string Literal(const std::string& text) { return DumpJson(Json(text)); }

RemoteV8Value* Impl(const CefRefPtr<CefV8Value>& value) { return dynamic_cast<RemoteV8Value*>(value.get()); }

// The page value a run's answer keeps in the page's table, 0 for none.
int KeptHandle(const Json& answer) {
  if (!JsonBool(answer, "ok")) return 0;
  const Json& result = JsonObject(answer, "r");
  std::string type = JsonString(result, "t");
  if (type != "object" && type != "array" && type != "function") return 0;
  return static_cast<int>(JsonInt(result, "h"));
}

}  // namespace

// Most results are never looked at (a callback's), so the wait costs the
// call nothing until someone waits: no kernel object, whose making, setting
// and closing would each be a trip to the server under Wine.
struct RemoteV8Value::PendingResult {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE arrived = CONDITION_VARIABLE_INIT;
  bool done = false;
  bool ok = false;
  // Nobody will look: a page value the answer keeps is released at once.
  bool abandoned = false;
  Json answer;
  CefRefPtr<RemoteV8Context> context;

  void Arrive(bool succeeded, const Json& value) {
    int orphan = 0;
    ::AcquireSRWLockExclusive(&lock);
    done = true;
    ok = succeeded;
    answer = value;
    if (abandoned) orphan = KeptHandle(answer);
    ::ReleaseSRWLockExclusive(&lock);
    ::WakeAllConditionVariable(&arrived);
    if (orphan) context->Release(orphan);
  }
  void Abandon() {
    int orphan = 0;
    ::AcquireSRWLockExclusive(&lock);
    abandoned = true;
    if (done && ok) orphan = KeptHandle(answer);
    ::ReleaseSRWLockExclusive(&lock);
    if (orphan) context->Release(orphan);
  }
  // Waits at most |timeout_ms| for the answer and takes it; false when it
  // did not come (then it is abandoned), or the call failed.
  bool Take(DWORD timeout_ms, Json* taken) {
    const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
    ::AcquireSRWLockExclusive(&lock);
    while (!done) {
      ULONGLONG now = ::GetTickCount64();
      if (now >= deadline) break;
      ::SleepConditionVariableSRW(&arrived, &lock, static_cast<DWORD>(deadline - now), 0);
    }
    bool result = done && ok;
    if (!done) abandoned = true;
    if (result) *taken = std::move(answer);
    ::ReleaseSRWLockExclusive(&lock);
    return result;
  }
};

CefRefPtr<RemoteV8Value> RemoteV8Value::Undefined() { return new RemoteV8Value(Kind::kUndefined); }

CefRefPtr<RemoteV8Value> RemoteV8Value::Bool(bool value) {
  CefRefPtr<RemoteV8Value> result = new RemoteV8Value(Kind::kBool);
  result->bool_value_ = value;
  return result;
}

CefRefPtr<RemoteV8Value> RemoteV8Value::String(const std::wstring& value) {
  CefRefPtr<RemoteV8Value> result = new RemoteV8Value(Kind::kString);
  result->string_value_ = value;
  return result;
}

CefRefPtr<RemoteV8Value> RemoteV8Value::Global(CefRefPtr<RemoteV8Context> context) {
  CefRefPtr<RemoteV8Value> result = new RemoteV8Value(Kind::kGlobal);
  result->context_ = context;
  return result;
}

CefRefPtr<RemoteV8Value> RemoteV8Value::FromDescriptor(CefRefPtr<RemoteV8Context> context, const Json& descriptor) {
  CefRefPtr<RemoteV8Value> result = new RemoteV8Value(Kind::kUndefined);
  result->context_ = context;
  result->Become(descriptor);
  return result;
}

RemoteV8Value::~RemoteV8Value() {
  if (kind_ == Kind::kReference && handle_ != 0 && context_) context_->Release(handle_);
  if (kind_ == Kind::kPending && pending_) pending_->Abandon();
}

void RemoteV8Value::Become(const Json& descriptor) {
  std::string type = JsonString(descriptor, "t");
  base_ = nullptr;
  if (type == "null") {
    kind_ = Kind::kNull;
  } else if (type == "boolean") {
    kind_ = Kind::kBool;
    bool_value_ = JsonBool(descriptor, "v");
  } else if (type == "number") {
    kind_ = Kind::kNumber;
    number_value_ = JsonNumber(descriptor, "v");
    number_text_ = JsonString(descriptor, "s");
  } else if (type == "string") {
    kind_ = Kind::kString;
    string_value_ = qbase::UTF8ToUTF16(JsonString(descriptor, "v"));
  } else if ((type == "object" || type == "array" || type == "function") && JsonInt(descriptor, "h") != 0) {
    kind_ = Kind::kReference;
    type_ = type;
    handle_ = static_cast<int>(JsonInt(descriptor, "h"));
  } else {
    kind_ = Kind::kUndefined;
  }
}

std::string RemoteV8Value::Expression(RemoteV8Context* context) {
  // A value of another page's world cannot go into this one.
  if (context_ && context && !context_->IsSame(context)) return std::string();
  switch (kind_) {
    case Kind::kUndefined:
      return "undefined";
    case Kind::kNull:
      return "null";
    case Kind::kBool:
      return bool_value_ ? "true" : "false";
    case Kind::kNumber:
      return number_text_.empty() ? DumpJson(Json(number_value_)) : number_text_;
    case Kind::kString:
      return Literal(qbase::UTF16ToUTF8(string_value_));
    case Kind::kReference:
      return context_ ? context_->api() + ".get(" + std::to_string(handle_) + ")" : std::string();
    case Kind::kGlobal:
      return "globalThis";
    case Kind::kMember: {
      std::string base = base_ ? base_->Expression(context) : std::string();
      return base.empty() ? std::string() : "(" + base + ")[" + Literal(key_) + "]";
    }
    case Kind::kPending:
      return Resolve() ? Expression(context) : "undefined";
    case Kind::kParsed: {
      if (!context_) return std::string();
      // Parsed where it is first needed, and kept there for later uses.
      handle_ = context_->NextEngineHandle();
      kind_ = Kind::kReference;
      return context_->api() + ".keep(" + std::to_string(handle_) + ", JSON.parse(" + Literal(parsed_text_) + "))";
    }
  }
  return std::string();
}

bool RemoteV8Value::Resolve() {
  if (kind_ == Kind::kPending) {
    std::shared_ptr<PendingResult> pending = std::move(pending_);
    kind_ = Kind::kUndefined;
    Json answer;
    if (!pending || !pending->Take(RemoteV8Context::kEvaluateTimeoutMs, &answer)) return false;
    // A function that threw gives no value.
    if (!JsonBool(answer, "ok")) return false;
    Become(JsonObject(answer, "r"));
    return true;
  }
  if (kind_ != Kind::kMember && kind_ != Kind::kParsed) return true;
  if (kind_ == Kind::kParsed) return true;  // its kind is known from its text
  if (!context_) return false;
  std::string expression = Expression(context_.get());
  Json answer;
  if (expression.empty() || !context_->Evaluate(context_->api() + ".run(() => " + expression + ")", &answer) ||
      !JsonBool(answer, "ok")) {
    kind_ = Kind::kUndefined;
    base_ = nullptr;
    return false;
  }
  Become(JsonObject(answer, "r"));
  return true;
}

bool RemoteV8Value::IsJsonFunction(const char* name) const {
  if (kind_ != Kind::kMember || key_ != name || !base_) return false;
  const RemoteV8Value* json = base_.get();
  return json->kind_ == Kind::kMember && json->key_ == "JSON" && json->base_ && json->base_->kind_ == Kind::kGlobal;
}

bool RemoteV8Value::IsBool() {
  if (!engine::RendererThread::Current()) return false;
  Resolve();
  return kind_ == Kind::kBool;
}

bool RemoteV8Value::IsString() {
  if (!engine::RendererThread::Current()) return false;
  Resolve();
  return kind_ == Kind::kString;
}

bool RemoteV8Value::IsObject() {
  if (!engine::RendererThread::Current()) return false;
  if (kind_ == Kind::kGlobal) return true;
  if (IsJsonFunction("parse") || IsJsonFunction("stringify")) return true;
  Resolve();
  return kind_ == Kind::kReference || kind_ == Kind::kParsed;
}

bool RemoteV8Value::IsFunction() {
  if (!engine::RendererThread::Current()) return false;
  if (IsJsonFunction("parse") || IsJsonFunction("stringify")) return true;
  Resolve();
  return kind_ == Kind::kReference && type_ == "function";
}

CefString RemoteV8Value::GetStringValue() {
  if (!engine::RendererThread::Current()) return CefString();
  Resolve();
  return kind_ == Kind::kString ? CefString(string_value_) : CefString();
}

CefRefPtr<CefV8Value> RemoteV8Value::GetValue(const CefString& key) {
  if (!engine::RendererThread::Current() || !context_) return nullptr;
  std::string name = key.ToString();
  // The global JSON object and its two functions are named, not fetched.
  bool json = kind_ == Kind::kGlobal && name == "JSON";
  bool json_member = kind_ == Kind::kMember && key_ == "JSON" && base_ && base_->kind_ == Kind::kGlobal &&
                     (name == "parse" || name == "stringify");
  if (json || json_member) {
    CefRefPtr<RemoteV8Value> member = new RemoteV8Value(Kind::kMember);
    member->context_ = context_;
    member->base_ = this;
    member->key_ = name;
    return member.get();
  }
  if (!IsObject()) return nullptr;
  std::string base = Expression(context_.get());
  Json answer;
  if (base.empty() ||
      !context_->Evaluate(context_->api() + ".run(() => (" + base + ")[" + Literal(name) + "])", &answer) ||
      !JsonBool(answer, "ok")) {
    return nullptr;
  }
  CefRefPtr<RemoteV8Value> member = FromDescriptor(context_, JsonObject(answer, "r"));
  if (member->kind_ == Kind::kUndefined) return nullptr;
  return member.get();
}

CefRefPtr<CefV8Value> RemoteV8Value::ExecuteFunction(CefRefPtr<CefV8Value> object,
                                                     const CefV8ValueList& arguments) {
  engine::RendererThread* thread = engine::RendererThread::Current();
  if (!thread || !context_ || !context_->alive() || !thread->CurrentContext()) return nullptr;
  if (IsJsonFunction("parse") && !arguments.empty()) {
    RemoteV8Value* text = Impl(arguments[0]);
    if (text && text->kind_ == Kind::kString) {
      // Parsing is the same wherever it happens: here it is checked, and
      // the page parses it when the value is first used.
      std::string utf8 = qbase::UTF16ToUTF8(text->string_value_);
      if (!Json::accept(utf8)) return nullptr;
      size_t first = utf8.find_first_not_of(" \t\r\n");
      char lead = first == std::string::npos ? ' ' : utf8[first];
      if (lead == '{' || lead == '[') {
        CefRefPtr<RemoteV8Value> parsed = new RemoteV8Value(Kind::kParsed);
        parsed->context_ = context_;
        parsed->parsed_text_ = utf8;
        parsed->type_ = lead == '{' ? "object" : "array";
        return parsed.get();
      }
      Json primitive = ParseJson(utf8);
      Json descriptor = {{"t", primitive.is_string()    ? "string"
                               : primitive.is_boolean() ? "boolean"
                               : primitive.is_number()  ? "number"
                                                        : "null"}};
      if (!primitive.is_null()) descriptor["v"] = primitive;
      return FromDescriptor(context_, descriptor).get();
    }
  }
  std::string function = Expression(context_.get());
  RemoteV8Value* receiver = object ? Impl(object) : nullptr;
  if (object && !receiver) return nullptr;
  std::string self = receiver ? receiver->Expression(context_.get()) : "globalThis";
  if (function.empty() || self.empty()) return nullptr;
  std::string list;
  for (const CefRefPtr<CefV8Value>& argument : arguments) {
    RemoteV8Value* value = Impl(argument);
    std::string expression = value ? value->Expression(context_.get()) : std::string();
    if (expression.empty()) return nullptr;
    list += (list.empty() ? "" : ", ") + expression;
  }
  std::string call =
      context_->api() + ".run(() => Function.prototype.apply.call(" + function + ", " + self + ", [" + list + "]))";
  CefRefPtr<RemoteV8Value> result = new RemoteV8Value(Kind::kPending);
  result->context_ = context_;
  auto pending = std::make_shared<PendingResult>();
  pending->context = context_;
  if (!context_->EvaluateAsync(call, [pending](bool ok, const Json& value) { pending->Arrive(ok, value); })) {
    return nullptr;
  }
  result->pending_ = pending;
  return result.get();
}

// ---- RemoteV8Context ----


namespace {
// Releases wait for an evaluation to ride on, but not without bound.
constexpr size_t kReleaseBatch = 256;
}  // namespace

RemoteV8Context::RemoteV8Context(engine::RendererThread* thread, RendererChannel* channel, const std::string& api,
                                 CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, const std::string& session,
                                 int context_id)
    : thread_(thread),
      channel_(channel),
      browser_(browser),
      frame_(frame),
      session_(session),
      context_id_(context_id),
      api_(api) {}

bool RemoteV8Context::Evaluate(const std::string& expression, Json* value) {
  if (!alive_ || !OnThread()) return false;
  return channel_->Evaluate(session_, context_id_, WithReleases(expression), kEvaluateTimeoutMs, value);
}

bool RemoteV8Context::EvaluateAsync(const std::string& expression,
                                    std::function<void(bool ok, const Json& value)> done) {
  if (!alive_ || !OnThread()) return false;
  return channel_->EvaluateAsync(session_, context_id_, WithReleases(expression), std::move(done));
}

std::string RemoteV8Context::WithReleases(const std::string& expression) {
  std::vector<int> released;
  {
    std::lock_guard<std::mutex> guard(release_lock_);
    released.swap(released_);
  }
  if (released.empty()) return expression;
  return "(" + api_ + ".free(" + DumpJson(Json(released)) + "), " + expression + ")";
}

void RemoteV8Context::Release(int handle) {
  if (!alive_ || handle == 0) return;
  std::vector<int> batch;
  {
    std::lock_guard<std::mutex> guard(release_lock_);
    released_.push_back(handle);
    if (released_.size() < kReleaseBatch) return;
    batch.swap(released_);
  }
  channel_->EvaluateLater(session_, context_id_, api_ + ".free(" + DumpJson(Json(batch)) + ")");
}

CefRefPtr<CefBrowser> RemoteV8Context::GetBrowser() { return OnThread() ? browser_ : nullptr; }

CefRefPtr<CefFrame> RemoteV8Context::GetFrame() { return OnThread() ? frame_ : nullptr; }

CefRefPtr<CefV8Value> RemoteV8Context::GetGlobal() {
  if (!OnThread() || !alive_) return nullptr;
  return RemoteV8Value::Global(this).get();
}

bool RemoteV8Context::Enter() {
  if (!OnThread() || !alive_) return false;
  thread_->EnterContext(this);
  return true;
}

bool RemoteV8Context::Exit() {
  return OnThread() && thread_->ExitContext(this);
}

bool RemoteV8Context::IsSame(CefRefPtr<CefV8Context> that) {
  auto* other = dynamic_cast<RemoteV8Context*>(that.get());
  return other && other->session_ == session_ && other->context_id_ == context_id_;
}

}  // namespace remote
