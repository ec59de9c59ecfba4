#include <gtest/gtest.h>

#include "base/path_util.h"
#include "engine/engine_selection.h"
#include "engine/shared/values_impl.h"
#include "engine/remote/remote_engine.h"
#include "engine/remote/remote_engine_state.h"
#include "engine/remote/remote_renderer.h"
#include "include/cef_task.h"
#include "engine_test_support.h"

using namespace engine_test;
using test_support::LoopbackHttpServer;

namespace {

const wchar_t kExtension[] =
    L"var Test = {};\n(() => {\n\tTest.call = (n, f) => {\n\t\tnative function call(n, f);\n\t\treturn call(n, f);\n"
    L"\t};\n\tTest.parse = (text, f) => {\n\t\tnative function parse(text, f);\n\t\treturn parse(text, f);\n\t};\n"
    L"})();";

// Answers "call" by handing the callback the name with a "!", and "parse" by
// handing it the page's own JSON.parse of the text, as the bridge does.
class EchoHandler : public CefV8Handler {
 public:
  Journal journal;
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override {
    journal.Add("native", name.ToWString(), static_cast<int>(arguments.size()));
    if (arguments.size() < 2 || !arguments[0]->IsString() || !arguments[1]->IsFunction()) {
      exception = "Invalid arguments.";
      return false;
    }
    CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
    if (!context) return false;
    if (name == "call") {
      arguments[1]->ExecuteFunction(nullptr, {CefV8Value::CreateString(arguments[0]->GetStringValue().ToWString() +
                                                                       L"!")});
    } else {
      CefRefPtr<CefV8Value> parse = context->GetGlobal()->GetValue("JSON")->GetValue("parse");
      CefRefPtr<CefV8Value> value = parse->ExecuteFunction(nullptr, {arguments[0]});
      journal.Add("parsed", value ? (value->IsObject() ? L"object" : L"other") : L"null");
      if (value) arguments[1]->ExecuteFunction(nullptr, {CefV8Value::CreateBool(true), value});
    }
    return true;
  }

 private:
  IMPLEMENT_REFCOUNTING(EchoHandler);
};

class RendererApp : public CefApp, public CefRenderProcessHandler {
 public:
  Journal journal;
  CefRefPtr<EchoHandler> handler = new EchoHandler();

  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnWebKitInitialized() override {
    journal.Add("webkit", std::wstring(), CefRegisterExtension("v8/test", kExtension, handler.get()) ? 1 : 0);
  }
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDictionaryValue>) override {
    journal.Add("browser-created", std::wstring(), browser->GetIdentifier());
  }
  void OnContextCreated(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context>) override {
    journal.Add("context-created", frame->GetURL().ToWString(), frame->IsMain() ? 1 : 0);
  }
  void OnContextReleased(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefRefPtr<CefV8Context>) override {
    journal.Add("context-released", frame->GetURL().ToWString());
  }
  void OnFocusedNodeChanged(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, CefRefPtr<CefDOMNode> node) override {
    journal.Add("focus", node ? L"node" : L"none", node && node->IsEditable() ? 1 : 0);
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    journal.Add("message", message->GetName().ToWString(), message->GetArgumentList()->GetInt(0));
    CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("pong");
    reply->GetArgumentList()->SetInt(0, message->GetArgumentList()->GetInt(0) + 1);
    frame->SendProcessMessage(PID_BROWSER, reply);
    return true;
  }

 private:
  IMPLEMENT_REFCOUNTING(RendererApp);
};

class MessageClient : public TestClient {
 public:
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    journal.Add("browser-message", message->GetName().ToWString(), message->GetArgumentList()->GetInt(0));
    return true;
  }
};

bool StartEngine(CefRefPtr<CefApp> app, const std::wstring& folder_name) {
  std::wstring folder = test_support::TempFolder(L"tarnwell_engine_tests", folder_name);
  qbase::CreateDirectories(folder);
  CefSettings settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.cache_path = folder + L"CefLocalStorage";
  settings.log_file = folder + L"cef.log";
  settings.log_severity = LOGSEVERITY_VERBOSE;
  engine::EngineConfig config;
  config.browser = L"/usr/bin/chromium";
  engine::ForceEngine(engine::EngineKind::kReal, config);
  // The renderer's application object comes from the sub-process entry.
  CefSetSubProcessEntry([app](const CefMainArgs& args) { return CefExecuteProcess(args, app, nullptr); });
  return CefInitialize(CefMainArgs(::GetModuleHandleW(nullptr)), settings, nullptr, nullptr);
}

TEST(RemoteRenderer, ExtensionsReachTheirHandlerWithThePagesValuesOnTheRendererThread) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/page",
              "<title>page</title><input id='field'><script>"
              "Test.call('hi', (v) => { document.title = 'got ' + v; });"
              "setTimeout(() => Test.parse('{\"a\":[1,2],\"b\":\"\\u4f60\"}', (ok, v) => {"
              " document.title = 'parsed ' + ok + ' ' + JSON.stringify(v); }), 100);"
              "</script>");
  server.Page("/next", "<title>next</title>");
  CefRefPtr<RendererApp> app = new RendererApp();
  ASSERT_TRUE(StartEngine(app.get(), L"renderer"));
  CefRefPtr<MessageClient> client = new MessageClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/page"));
  ASSERT_TRUE(browser);
  EXPECT_TRUE(WaitForTitle(*client, L"got hi!"));
  EXPECT_TRUE(WaitForTitle(*client, L"parsed true {\"a\":[1,2],\"b\":\"\u4f60\"}"));
  EXPECT_EQ(app->journal.Find("webkit").at(0).number, 1);
  auto natives = app->handler->journal.Find("native");
  ASSERT_EQ(natives.size(), 2u);
  EXPECT_EQ(natives[0].text, L"call");
  EXPECT_NE(natives[0].thread, remote::EngineUiThreadId());
  EXPECT_EQ(app->handler->journal.Find("parsed").at(0).text, L"object");

  // Process messages cross both ways as copies.
  CefRefPtr<CefProcessMessage> ping = CefProcessMessage::Create("ping");
  ping->GetArgumentList()->SetInt(0, 41);
  browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, ping);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("browser-message"); }));
  EXPECT_EQ(client->journal.Find("browser-message")[0].number, 42);
  EXPECT_EQ(client->journal.Find("browser-message")[0].thread, remote::EngineUiThreadId());

  // Focus on a text field, and the page's context goes with the page.
  CefMouseEvent click;
  click.x = 10;
  click.y = 10;
  EXPECT_EQ(remote::EvaluateInPage(browser, L"(() => { const r = field.getBoundingClientRect(); "
                                            L"return Math.round(r.left + 5) + ',' + Math.round(r.top + 5); })()")
                .empty(),
            false);
  remote::EvaluateInPage(browser, L"field.focus(); 'ok'");
  ASSERT_TRUE(PumpUntil([&] { return app->journal.Has("focus"); }));
  EXPECT_EQ(app->journal.Find("focus")[0].number, 1);
  browser->GetMainFrame()->LoadURL(server.WideUrl("/next"));
  ASSERT_TRUE(PumpUntil([&] { return app->journal.HasText("context-released", server.WideUrl("/page")); }));
  ASSERT_TRUE(PumpUntil([&] { return app->journal.HasText("context-created", server.WideUrl("/next")); }));
  for (const Journal::Entry& entry : app->journal.Entries()) {
    EXPECT_NE(entry.thread, remote::EngineUiThreadId()) << entry.what;
  }
  CefShutdown();
  CefSetSubProcessEntry(nullptr);
}

// A page's first script calls at once, and each answer moves on to the next
// document, whose first script calls again: every call must reach the new
// context however fast it follows that context's making, and the old one's
// release drops nothing of the new.
TEST(RemoteRenderer, CallsFromADocumentsFirstScriptReachItsFreshContextAcrossNavigations) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  constexpr int kDocuments = 12;
  server.Page("/chain",
              "<script>Test.call('n', (v) => { const n = +(location.search.slice(3) || 0);"
              " if (n < " + std::to_string(kDocuments) + ") location.replace('/chain?n=' + (n + 1));"
              " else document.title = 'chain ' + n + ' ' + v; });</script>"
              "<iframe src='/frame'></iframe>");
  // Each frame's world calls too, as early as the main one.
  server.Page("/frame", "<script>Test.call('f', () => {});</script>");
  CefRefPtr<RendererApp> app = new RendererApp();
  ASSERT_TRUE(StartEngine(app.get(), L"renderer_chain"));
  CefRefPtr<MessageClient> client = new MessageClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/chain"));
  ASSERT_TRUE(browser);
  EXPECT_TRUE(WaitForTitle(*client, L"chain " + std::to_wstring(kDocuments) + L" n!", 30000));
  size_t calls = 0;
  for (const Journal::Entry& entry : app->handler->journal.Find("native")) calls += entry.text == L"call" ? 1 : 0;
  EXPECT_GE(calls, static_cast<size_t>(kDocuments + 1));
  CefShutdown();
  CefSetSubProcessEntry(nullptr);
}

}  // namespace
