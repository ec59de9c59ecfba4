#pragma once

#include <memory>
#include <vector>

#include "include/cef_app.h"

namespace qiv_comp {

class CefJSBridge;

// The application object handed to the engine. One object serves as the
// app, the browser-process handler and the render-process handler, with a
// single reference count.
class ClientApp : public CefApp, public CefBrowserProcessHandler, public CefRenderProcessHandler {
 public:
  ClientApp();
  ~ClientApp() override;

  const std::vector<CefString>& cookieable_schemes() const { return cookieable_schemes_; }
  bool last_node_is_editable() const { return last_node_is_editable_; }
  // Renderer only; null in the browser process.
  std::shared_ptr<CefJSBridge> render_js_bridge() const { return render_js_bridge_; }

  // CefApp
  void OnBeforeCommandLineProcessing(const CefString& process_type, CefRefPtr<CefCommandLine> command_line) override;
  void OnRegisterCustomSchemes(CefSchemeRegistrar* registrar) override;
  CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() override { return nullptr; }
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

  // CefBrowserProcessHandler
  void OnContextInitialized() override;
  void OnBeforeChildProcessLaunch(CefRefPtr<CefCommandLine> command_line) override {}
  void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) override {}
  CefRefPtr<CefPrintHandler> GetPrintHandler() override { return nullptr; }
  void OnScheduleMessagePumpWork(int64_t delay_ms) override {}

  // CefRenderProcessHandler
  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override {}
  void OnWebKitInitialized() override;
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDictionaryValue> extra_info) override;
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override {}
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return nullptr; }
  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override {}
  void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  void OnUncaughtException(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context> context,
                           CefRefPtr<CefV8Value> exception) override {}
  void OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefDOMNode> node) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

 private:
  // Renderer only: the page side of the JavaScript bridge, made by whichever
  // of OnWebKitInitialized and OnBrowserCreated runs first.
  std::shared_ptr<CefJSBridge> render_js_bridge_;
  std::vector<CefString> cookieable_schemes_;
  // Renderer only: the editable state last reported to the browser process.
  bool last_node_is_editable_ = false;
  IMPLEMENT_REFCOUNTING(ClientApp);
};

}  // namespace qiv_comp
