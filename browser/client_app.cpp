#include "browser/client_app.h"

#include "browser/cef_manager.h"
#include "include/cef_cookie.h"

namespace qiv_comp {

void ClientApp::OnBeforeCommandLineProcessing(const CefString& process_type, CefRefPtr<CefCommandLine> command_line) {
  // Sub-processes inherit the browser process's switches from the engine.
  if (!process_type.empty() || !command_line) return;
  command_line->AppendSwitchWithValue("ppapi-flash-version", "20.0.0.228");
  command_line->AppendSwitchWithValue("ppapi-flash-path", "PepperFlash\\pepflashplayer.dll");
  command_line->AppendSwitch("process-per-site");
  command_line->AppendSwitchWithValue("enable-webgl", "1");
  command_line->AppendSwitchWithValue("ignore-gpu-blacklist", "1");
  command_line->AppendSwitchWithValue("high-dpi-support", "1");
  command_line->AppendSwitchWithValue("force-device-scale-factor", "1");
  if (CefManager::Instance()->IsOffscreenRenderingEnabled()) {
    command_line->AppendSwitch("disable-surfaces");
    command_line->AppendSwitch("enable-begin-frame-scheduling");
  }
}

void ClientApp::OnRegisterCustomSchemes(CefSchemeRegistrar* registrar) {
  // No scheme of our own: these only feed the cookie manager.
  cookieable_schemes_.push_back("http");
  cookieable_schemes_.push_back("https");
}

void ClientApp::OnContextInitialized() {
  CefRefPtr<CefCookieManager> manager = CefCookieManager::GetGlobalManager(nullptr);
  if (manager) manager->SetSupportedSchemes(cookieable_schemes_, true, nullptr);
}

void ClientApp::OnWebKitInitialized() {
  // The JavaScript extension and the renderer's bridge are installed here
  // once the bridge exists; until then pages get no injected object.
}

void ClientApp::OnBrowserCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDictionaryValue> extra_info) {
  // The renderer's bridge is made here when OnWebKitInitialized has not made
  // it; see OnWebKitInitialized.
}

void ClientApp::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefV8Context> context) {
  // The bridge drops the frame's pending callbacks and registered functions
  // here; without a bridge there are none.
}

void ClientApp::OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefDOMNode> node) {
  bool editable = node && node->IsEditable();
  // Only changes cross to the browser process.
  if (editable == last_node_is_editable_) return;
  last_node_is_editable_ = editable;
  if (!browser) return;
  CefRefPtr<CefFrame> main_frame = browser->GetMainFrame();
  if (!main_frame) return;
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("FocusedNodeChanged");
  message->GetArgumentList()->SetBool(0, editable);
  main_frame->SendProcessMessage(PID_BROWSER, message);
}

bool ClientApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                         CefProcessId source_process, CefRefPtr<CefProcessMessage> message) {
  // Messages for the page ("ExecuteJsCallback", "CallJsFunction") are the
  // bridge's; without it nothing here handles them.
  return false;
}

}  // namespace qiv_comp
