#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "include/cef_v8.h"

namespace inproc {

class V8ContextImpl;

// A script value of the in-process engine's pages. Besides what the engine
// interface offers, page scripts build and read values through the static
// helpers here. Every operation works only on the renderer's main thread.
class V8ValueImpl : public CefV8Value {
 public:
  enum class Type { kUndefined, kNull, kBool, kInt, kDouble, kString, kArray, kObject, kFunction };

  // A native function body: gets "this" and the arguments, gives the result
  // or sets the exception text (which makes the call throw).
  using Body = std::function<CefRefPtr<CefV8Value>(CefRefPtr<CefV8Value> self, const CefV8ValueList& arguments,
                                                   std::wstring& exception)>;

  static CefRefPtr<V8ValueImpl> Undefined();
  static CefRefPtr<V8ValueImpl> Null();
  static CefRefPtr<V8ValueImpl> Bool(bool value);
  static CefRefPtr<V8ValueImpl> Int(int value);
  static CefRefPtr<V8ValueImpl> Double(double value);
  static CefRefPtr<V8ValueImpl> String(const std::wstring& value);
  static CefRefPtr<V8ValueImpl> Array();
  static CefRefPtr<V8ValueImpl> Object();
  // A function of the current context (the page's functions die with it).
  static CefRefPtr<V8ValueImpl> Function(const std::wstring& name, Body body);
  // The same for a simple body that ignores "this" and cannot throw.
  static CefRefPtr<V8ValueImpl> Function(const std::wstring& name,
                                         std::function<void(const CefV8ValueList& arguments)> body);

  // Reading any engine value made by this engine; defaults for others.
  static Type TypeOf(CefRefPtr<CefV8Value> value);
  static bool BoolOf(CefRefPtr<CefV8Value> value);
  static double NumberOf(CefRefPtr<CefV8Value> value);
  static std::wstring StringOf(CefRefPtr<CefV8Value> value);
  // JSON text of a value, as the page's JSON.stringify gives it; empty for
  // what it cannot express (undefined, functions).
  static std::wstring ToJson(CefRefPtr<CefV8Value> value);
  // Null and the reason when the text is no JSON.
  static CefRefPtr<V8ValueImpl> FromJson(const std::wstring& text, std::wstring* error);

  Type type() const { return type_; }
  void SetMember(const std::wstring& key, CefRefPtr<CefV8Value> value);
  void Append(CefRefPtr<CefV8Value> value);
  const std::vector<std::pair<std::wstring, CefRefPtr<CefV8Value>>>& members() const { return members_; }
  const std::vector<CefRefPtr<CefV8Value>>& elements() const { return elements_; }
  // The exception text of this function's last call, empty when it did not throw.
  const std::wstring& last_exception() const { return last_exception_; }
  // Runs the body without the context checks; for the engine's own calls.
  CefRefPtr<CefV8Value> Call(CefRefPtr<CefV8Value> self, const CefV8ValueList& arguments, std::wstring& exception);
  void BindToContext(std::shared_ptr<bool> context_alive) { context_alive_ = std::move(context_alive); }

  // CefV8Value
  bool IsBool() override;
  bool IsString() override;
  bool IsObject() override;
  bool IsFunction() override;
  CefString GetStringValue() override;
  CefRefPtr<CefV8Value> GetValue(const CefString& key) override;
  CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) override;

 private:
  explicit V8ValueImpl(Type type) : type_(type) {}

  Type type_;
  bool bool_value_ = false;
  double number_value_ = 0;
  std::wstring string_value_;
  std::vector<std::pair<std::wstring, CefRefPtr<CefV8Value>>> members_;
  std::vector<CefRefPtr<CefV8Value>> elements_;
  std::wstring function_name_;
  Body body_;
  std::shared_ptr<bool> context_alive_;
  std::wstring last_exception_;
  IMPLEMENT_REFCOUNTING(V8ValueImpl);
};

}  // namespace inproc
