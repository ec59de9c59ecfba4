#pragma once

#include <functional>

#include "include/cef_base.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_command_line.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_types.h"

class CefResourceBundleHandler : public virtual CefBaseRefCounted {};

// Where an application would register schemes of its own; this one has none.
class CefSchemeRegistrar {
 public:
  virtual ~CefSchemeRegistrar() = default;
};

// The client's application object, asked for its handlers in every process.
class CefApp : public virtual CefBaseRefCounted {
 public:
  // An empty process type is the browser process.
  virtual void OnBeforeCommandLineProcessing(const CefString& process_type, CefRefPtr<CefCommandLine> command_line) {}
  virtual void OnRegisterCustomSchemes(CefSchemeRegistrar* registrar) {}
  virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() { return nullptr; }
  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() { return nullptr; }
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() { return nullptr; }
};

// 0 or more: this is an engine sub-process and its work is done (the value
// is its exit code). Negative: the browser process, go on with CefInitialize.
int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application, void* windows_sandbox_info);
bool CefInitialize(const CefMainArgs& args, const CefSettings& settings, CefRefPtr<CefApp> application,
                   void* windows_sandbox_info);
// How this program runs as an engine sub-process: what its entry does when
// started with a "--type=" switch, that is make its own application object
// and hand it to CefExecuteProcess. An engine whose renderers run as threads
// of the browser process calls it on each renderer's main thread instead of
// starting the executable again, so a renderer never shares the browser
// process's application object. Set it before the first browser is created;
// without one a renderer runs with no application object.
using CefSubProcessEntry = std::function<int(const CefMainArgs& args)>;
void CefSetSubProcessEntry(CefSubProcessEntry entry);
// On the thread that called CefInitialize.
void CefShutdown();
// For a client that runs the engine on its own UI thread.
void CefDoMessageLoopWork();
