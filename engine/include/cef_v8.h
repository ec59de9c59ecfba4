#pragma once

#include <string>
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
  // Runs a function in the current context; null when it could not run.
  // One that threw gives null, or, where the engine hands the result over
  // later, a value that turns out undefined when looked at.
  virtual CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments) = 0;
};

// The calls a native function accepts, declared by its handler. Engines whose
// pages cannot wait for Execute (it runs later, elsewhere) make the same check
// in the page, so that the page sees the refusal thrown by its own call.
struct CefV8ArgumentCheck {
  enum Kind { kAny, kString, kFunction };
  // Kinds of the leading arguments; further arguments may be anything.
  std::vector<std::vector<Kind>> shapes;
  // Thrown when the arguments fit no shape.
  CefString refusal;
  // Thrown when the call fits but cannot be handed on (the page's frame is
  // gone, or, with |unique|, its first argument was taken by an earlier call
  // of the same page); "%s" stands for the first argument.
  CefString failure;
  bool unique = false;

  // The index of the first shape the arguments fit, or -1.
  int Match(const CefV8ValueList& arguments) const;
  CefString FailureFor(const CefString& first_argument) const;
};

// Native code behind the "native function" declarations of an extension.
class CefV8Handler : public virtual CefBaseRefCounted {
 public:
  // The check of calls of |name|; false when the engine makes none.
  virtual bool GetArgumentCheck(const CefString& name, CefV8ArgumentCheck& check) {
    (void)name;
    (void)check;
    return false;
  }
  // True when handled; a non-empty exception is thrown in the page.
  virtual bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
                       CefRefPtr<CefV8Value>& retval, CefString& exception) = 0;
};

// Installs an extension in every page of this renderer. Only from
// OnWebKitInitialized, on the renderer's main thread.
bool CefRegisterExtension(const CefString& extension_name, const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler);
