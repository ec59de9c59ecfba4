#pragma once

#include <memory>

#include "include/cef_v8.h"

namespace qiv_comp {

class CefJSBridge;

// The native side of the page's QivCefWebInstance: its "call" and
// "register" reach the renderer's bridge through here. Renderer main
// thread only.
class CefJSHandler : public CefV8Handler {
 public:
  // The injected extension: its name and its exact text.
  static const char kExtensionName[];
  static const char kExtensionCode[];

  CefJSHandler() = default;
  void AttachJSBridge(std::shared_ptr<CefJSBridge> bridge) { js_bridge_ = std::move(bridge); }

  // The call shapes of "call" and "register", their refusal and failure
  // texts: Execute checks calls against them, and so does the page itself
  // where the engine runs Execute after the page's call has returned.
  bool GetArgumentCheck(const CefString& name, CefV8ArgumentCheck& check) override;
  // Wrong argument shapes throw "Invalid arguments." in the page; the
  // return value is never set, results come through the callback.
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override;

 private:
  std::shared_ptr<CefJSBridge> js_bridge_;
  IMPLEMENT_REFCOUNTING(CefJSHandler);
};

}  // namespace qiv_comp
