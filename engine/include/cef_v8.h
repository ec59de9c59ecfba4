#pragma once

#include <vector>

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_types.h"

class CefV8Value;

// A page's script context. Everything V8 lives on the renderer's main thread
// and is refused anywhere else.
class CefV8Context : public virtual CefBaseRefCounted {
 public:
  // The innermost entered context of this thread, or null.
  static CefRefPtr<CefV8Context> GetCurrentContext();

  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  virtual CefRefPtr<CefFrame> GetFrame() = 0;
  virtual CefRefPtr<CefV8Value> GetGlobal() = 0;
  virtual bool Enter() = 0;
  virtual bool Exit() = 0;
  virtual bool IsSame(CefRefPtr<CefV8Context> that) = 0;
};

using CefV8ValueList = std::vector<CefRefPtr<CefV8Value>>;

class CefV8Value : public virtual CefBaseRefCounted {
 public:
  static CefRefPtr<CefV8Value> CreateBool(bool value);
  static CefRefPtr<CefV8Value> CreateString(const CefString& value);

  virtual bool IsBool() = 0;
  virtual bool IsString() = 0;
  virtual bool IsObject() = 0;
  virtual bool IsFunction() = 0;
  virtual CefString GetStringValue() = 0;
  // Null when the member is missing or this is no object.
  virtual CefRefPtr<CefV8Value> GetValue(const CefString& key) = 0;
  // Runs a function in the current context; null when it threw or could not
  // run.
  virtual CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) = 0;
};

// Native code behind the "native function" declarations of an extension.
class CefV8Handler : public virtual CefBaseRefCounted {
 public:
  // True when handled; a non-empty exception is thrown in the page.
  virtual bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
                       CefRefPtr<CefV8Value>& retval, CefString& exception) = 0;
};

// Installs an extension in every page of this renderer. Only from
// OnWebKitInitialized, on the renderer's main thread.
bool CefRegisterExtension(const CefString& extension_name, const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler);
