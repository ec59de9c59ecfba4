#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/in_process/page.h"
#include "engine/in_process/v8_value_impl.h"

namespace browser_test {

using inproc::V8ValueImpl;

// What the injected QivCefWebInstance's script does for a scripted page:
// "call" passes a callback at once or the value's JSON text first;
// "register" passes its arguments on.
inline inproc::Page::CallResult QivCall(inproc::Page& page, const std::wstring& name, CefRefPtr<CefV8Value> arg1,
                                        CefRefPtr<CefV8Value> arg2 = nullptr) {
  CefRefPtr<CefV8Value> function_name = V8ValueImpl::String(name).get();
  if (V8ValueImpl::TypeOf(arg1) == V8ValueImpl::Type::kFunction) return page.CallNative(L"call", {function_name, arg1});
  std::wstring json = V8ValueImpl::ToJson(arg1);
  CefRefPtr<CefV8Value> json_string = json.empty() ? V8ValueImpl::Undefined().get() : V8ValueImpl::String(json).get();
  return page.CallNative(L"call", {function_name, json_string, arg2 ? arg2 : V8ValueImpl::Undefined().get()});
}

inline inproc::Page::CallResult QivRegister(inproc::Page& page, const std::wstring& name,
                                            CefRefPtr<CefV8Value> function) {
  return page.CallNative(L"register", {V8ValueImpl::String(name).get(), function});
}

// What page callbacks received: has error and the result's JSON, per call.
class Answers {
 public:
  struct Answer {
    int call;
    bool has_error;
    std::wstring json;
  };

  // A page callback for call number |call|.
  CefRefPtr<CefV8Value> Callback(int call) {
    return V8ValueImpl::Function(
               L"callback",
               [this, call](const CefV8ValueList& arguments) {
                 std::lock_guard<std::mutex> guard(lock_);
                 answers_.push_back(Answer{call, arguments.size() > 0 && V8ValueImpl::BoolOf(arguments[0]),
                                           arguments.size() > 1 ? V8ValueImpl::ToJson(arguments[1]) : L"(none)"});
               })
        .get();
  }
  std::vector<Answer> Get() {
    std::lock_guard<std::mutex> guard(lock_);
    return answers_;
  }
  size_t Count() {
    std::lock_guard<std::mutex> guard(lock_);
    return answers_.size();
  }
  // The one answer to |call|; has-error "(missing)" when there is none or more.
  Answer Of(int call) {
    std::lock_guard<std::mutex> guard(lock_);
    Answer found{call, true, L"(missing)"};
    int seen = 0;
    for (const Answer& answer : answers_) {
      if (answer.call == call && ++seen == 1) found = answer;
    }
    if (seen > 1) found.json = L"(answered " + std::to_wstring(seen) + L" times)";
    return found;
  }

 private:
  std::mutex lock_;
  std::vector<Answer> answers_;
};

}  // namespace browser_test
