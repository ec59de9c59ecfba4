#include "browser/client_app.h"

#include "browser/cef_js_bridge.h"
#include "browser/cef_js_handler.h"
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

namespace {

bool HasType(CefRefPtr<CefListValue> arguments, size_t index, CefValueType type) {
  return arguments && arguments->GetSize() > index && arguments->GetType(index) == type;
}

}  // namespace

ClientApp::ClientApp() = default;

ClientApp::~ClientApp() = default;

void ClientApp::OnWebKitInitialized() {
  CefRefPtr<CefJSHandler> handler = new CefJSHandler();
  if (!render_js_bridge_) render_js_bridge_ = std::make_shared<CefJSBridge>();
  handler->AttachJSBridge(render_js_bridge_);
  CefRegisterExtension(CefJSHandler::kExtensionName, CefJSHandler::kExtensionCode, handler.get());
}

void ClientApp::OnBrowserCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDictionaryValue> extra_info) {
  if (!render_js_bridge_) render_js_bridge_ = std::make_shared<CefJSBridge>();
}

void ClientApp::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefV8Context> context) {
  if (!render_js_bridge_) return;
  render_js_bridge_->RemoveFrameCallbacks(frame, context);
  render_js_bridge_->UnregisterFrameFunctions(frame, context);
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
  if (!render_js_bridge_ || !message || !browser) return false;
  const std::wstring name = message->GetName().ToWString();
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  // Arguments of the wrong kinds make no message of ours.
  if (name == L"ExecuteJsCallback") {
    if (!HasType(arguments, 0, VTYPE_INT) || !HasType(arguments, 1, VTYPE_BOOL) ||
        !HasType(arguments, 2, VTYPE_STRING)) {
      return false;
    }
    render_js_bridge_->RunJsCallback(arguments->GetInt(0), arguments->GetBool(1), arguments->GetString(2));
    return true;
  }
  if (name == L"CallJsFunction") {
    if (!HasType(arguments, 0, VTYPE_STRING) || !HasType(arguments, 1, VTYPE_STRING) ||
        !HasType(arguments, 2, VTYPE_INT) || !HasType(arguments, 3, VTYPE_INT)) {
      return false;
    }
    const int frame_id = arguments->GetInt(3);
    CefRefPtr<CefFrame> target = frame_id < 0 ? browser->GetMainFrame() : browser->GetFrame(frame_id);
    if (!target) {
      CefJSBridge::AnswerNativeCall(browser, arguments->GetInt(2), CefJSBridge::FunctionNotFoundReply);
      return true;
    }
    render_js_bridge_->RunJsFunction(arguments->GetString(0), arguments->GetString(1), target, arguments->GetInt(2));
    return true;
  }
  return false;
}

}  // namespace qiv_comp
