#pragma once

#include <memory>
#include <string>

#include "engine/remote/json_util.h"
#include "engine/remote/remote_v8_context.h"
#include "include/cef_v8.h"

namespace remote {

// A script value as native code holds it: a primitive held here, or a
// reference to a value the page holds for it (an object, an array, a
// function). Members of the global object's JSON, and the results of its
// parse, are kept as what they are until a script needs them, so that a
// callback with a parsed answer costs the page one evaluation, not three.
// Everything works only on the renderer's main thread.
class RemoteV8Value : public CefV8Value {
 public:
  // kPending: a call's result on its way. The renderer goes on at once and
  // waits only when something looks at it, so that answering a page's
  // callbacks is not one protocol round trip after another.
  enum class Kind { kUndefined, kNull, kBool, kNumber, kString, kReference, kGlobal, kMember, kParsed, kPending };

  static CefRefPtr<RemoteV8Value> Undefined();
  static CefRefPtr<RemoteV8Value> Bool(bool value);
  static CefRefPtr<RemoteV8Value> String(const std::wstring& value);
  static CefRefPtr<RemoteV8Value> Global(CefRefPtr<RemoteV8Context> context);
  // From the engine object's description of a page value.
  static CefRefPtr<RemoteV8Value> FromDescriptor(CefRefPtr<RemoteV8Context> context, const Json& descriptor);

  ~RemoteV8Value() override;

  Kind kind() const { return kind_; }
  // The value as an expression of its page; for another page's value, or a
  // value that cannot be expressed, empty.
  std::string Expression(RemoteV8Context* context);

  // CefV8Value
  bool IsBool() override;
  bool IsString() override;
  bool IsObject() override;
  bool IsFunction() override;
  CefString GetStringValue() override;
  CefRefPtr<CefV8Value> GetValue(const CefString& key) override;
  CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) override;

 private:
  struct PendingResult;

  explicit RemoteV8Value(Kind kind) : kind_(kind) {}
  // A member or parse result made a plain value or reference; false when the
  // page could not tell.
  bool Resolve();
  void Become(const Json& descriptor);
  bool IsJsonFunction(const char* name) const;

  Kind kind_;
  CefRefPtr<RemoteV8Context> context_;
  bool bool_value_ = false;
  double number_value_ = 0;
  std::string number_text_;  // NaN and the infinities, which JSON has not
  std::wstring string_value_;
  int handle_ = 0;
  std::string type_;  // of a reference: "object", "array" or "function"
  CefRefPtr<RemoteV8Value> base_;
  std::string key_;
  std::string parsed_text_;
  std::shared_ptr<PendingResult> pending_;
  IMPLEMENT_REFCOUNTING(RemoteV8Value);
};

}  // namespace remote
