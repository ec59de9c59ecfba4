#include <gtest/gtest.h>

#include "engine/in_process/v8_context_impl.h"
#include "engine/in_process/v8_value_impl.h"
#include "engine_test_support.h"

using namespace engine_test;
using inproc::V8ValueImpl;

namespace {

// The load events of one client as "kind url" lines, in order.
std::vector<std::wstring> LoadTrace(TestClient& client) {
  std::vector<std::wstring> trace;
  for (const Journal::Entry& entry : client.journal.Entries()) {
    if (entry.what == "load-start") trace.push_back(L"start " + entry.text);
    if (entry.what == "load-end") trace.push_back(L"end " + entry.text);
    if (entry.what == "load-error") trace.push_back(L"error " + entry.text);
    if (entry.what == "before-browse" && (entry.number & 1)) trace.push_back(L"cancelled " + entry.text);
  }
  return trace;
}

TEST(EnginePages, NavigationGoesThroughBeforeBrowseAndReportsLoads) {
  CefRefPtr<TestApp> app = new TestApp();
  inproc::RegisterPage(L"https://site.test/a", [](inproc::Page& page) {
    page.SetTitle(L"Page A");
    page.Navigate(L"https://site.test/?m=game");
    page.Navigate(L"https://site.test/b");
  });
  inproc::RegisterPagePrefix(L"https://site.test/b", [](inproc::Page& page) {});
  inproc::RegisterPage(L"https://site.test/broken", [](inproc::Page& page) { page.FailLoad(-6, L"gone"); });
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  client->cancel_navigation = [](const std::wstring& url) { return url.find(L"m=game") != std::wstring::npos; };
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), L"https://site.test/a");
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));

  std::vector<std::wstring> expected = {L"start https://site.test/a", L"end https://site.test/a",
                                        L"cancelled https://site.test/?m=game", L"start https://site.test/b",
                                        L"end https://site.test/b"};
  EXPECT_EQ(LoadTrace(*client), expected);
  EXPECT_EQ(client->journal.Find("load-end")[0].number, 200);
  EXPECT_EQ(client->journal.Find("title")[0].text, L"Page A");
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), L"https://site.test/b");

  // An address nobody serves and a page that fails both end in a load error.
  browser->GetMainFrame()->LoadURL(L"https://nowhere.test/");
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-error") == 1; }));
  browser->GetMainFrame()->LoadURL(L"https://site.test/broken");
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-error") == 2; }));
  auto errors = client->journal.Find("load-error");
  EXPECT_EQ(errors[0].number, ERR_NAME_NOT_RESOLVED);
  EXPECT_EQ(errors[0].text.find(L"https://nowhere.test/"), 0u);
  EXPECT_EQ(errors[1].number, -6);
  EXPECT_EQ(errors[1].text, L"https://site.test/broken gone");

  // History: back to the page before the failures, through before-browse.
  browser->GoBack();
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-error") == 3; }));
  browser->GoBack();
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 3; }));
  EXPECT_EQ(browser->GetMainFrame()->GetURL().ToWString(), L"https://site.test/b");
}

TEST(EnginePages, PopupsAskTheLifeSpanHandlerFirst) {
  CefRefPtr<TestApp> app = new TestApp();
  inproc::RegisterPage(L"https://site.test/opener", [](inproc::Page& page) {
    page.OpenPopup(L"https://site.test/refused");
    page.OpenPopup(L"https://site.test/allowed", L"side");
  });
  inproc::RegisterPagePrefix(L"https://site.test/", [](inproc::Page&) {});
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  client->cancel_popup = [](const std::wstring& url) { return url.find(L"refused") != std::wstring::npos; };
  CefRefPtr<CefBrowser> opener = CreateBrowserAndWait(client, WindowlessInfo(), L"https://site.test/opener");
  ASSERT_TRUE(opener);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("after-created") == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));
  PumpFor(200);

  auto popups = client->journal.Find("before-popup");
  ASSERT_EQ(popups.size(), 2u);
  EXPECT_EQ(popups[0].text, L"https://site.test/refused");
  EXPECT_EQ(popups[1].text, L"https://site.test/allowed");
  EXPECT_EQ(client->journal.Count("after-created"), 2);
  CefRefPtr<CefBrowser> popup = client->Browser(1);
  ASSERT_TRUE(popup);
  EXPECT_EQ(popup->GetMainFrame()->GetURL().ToWString(), L"https://site.test/allowed");
}

// An extension whose handler records each call; "call" hands its callback
// the first argument back.
class RecordingHandler : public CefV8Handler {
 public:
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override {
    journal.Add("native", name.ToWString(), static_cast<int>(arguments.size()));
    if (arguments.size() < 2 || !arguments[0]->IsString() || !arguments[1]->IsFunction()) {
      exception = "Invalid arguments.";
      return false;
    }
    arguments[1]->ExecuteFunction(nullptr, {CefV8Value::CreateString(arguments[0]->GetStringValue())});
    retval = CefV8Value::CreateBool(true);
    return true;
  }
  Journal journal;

 private:
  IMPLEMENT_REFCOUNTING(RecordingHandler);
};

const wchar_t kExtension[] =
    L"var Test = {};\n(() => {\n\tTest.call = (n, f) => {\n\t\tnative function call(n, f);\n\t\treturn call(n, f);\n"
    L"\t};\n})();";

TEST(EnginePages, PageScriptsReachOnlyTheDeclaredNativeFunctions) {
  CefRefPtr<TestApp> app = new TestApp();
  CefRefPtr<RecordingHandler> handler = new RecordingHandler();
  bool late_registration = true;
  app->on_webkit_initialized = [&] {
    EXPECT_TRUE(CefRegisterExtension("v8/test", kExtension, handler.get()));
    EXPECT_FALSE(CefRegisterExtension("v8/test", kExtension, handler.get()));
  };
  std::mutex lock;
  std::wstring callback_value, extension_text, undeclared_exception, bad_exception;
  bool returned_true = false;
  inproc::RegisterPage(L"https://site.test/script", [&](inproc::Page& page) {
    CefRefPtr<V8ValueImpl> callback = V8ValueImpl::Function(L"cb", [&](const CefV8ValueList& arguments) {
      std::lock_guard<std::mutex> guard(lock);
      callback_value = V8ValueImpl::StringOf(arguments.at(0));
    });
    inproc::Page::CallResult ok = page.CallNative(L"call", {V8ValueImpl::String(L"name").get(), callback.get()});
    inproc::Page::CallResult bad = page.CallNative(L"call", {V8ValueImpl::String(L"only").get()});
    inproc::Page::CallResult undeclared = page.CallNative(L"register", {});
    std::lock_guard<std::mutex> guard(lock);
    returned_true = ok.called && V8ValueImpl::BoolOf(ok.value) && ok.exception.empty();
    bad_exception = bad.exception;
    undeclared_exception = undeclared.called ? L"called" : undeclared.exception;
    extension_text = page.ExtensionText(L"v8/test");
    late_registration = CefRegisterExtension("v8/late", kExtension, handler.get());
  });
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  ASSERT_TRUE(CreateBrowserAndWait(client, WindowlessInfo(), L"https://site.test/script"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end"); }));

  auto calls = handler->journal.Find("native");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text, L"call");
  EXPECT_EQ(calls[0].number, 2);
  EXPECT_EQ(calls[0].thread, inproc::RendererThreadId());
  std::lock_guard<std::mutex> guard(lock);
  EXPECT_TRUE(returned_true);
  EXPECT_EQ(callback_value, L"name");
  EXPECT_EQ(bad_exception, L"Invalid arguments.");
  EXPECT_EQ(undeclared_exception, L"ReferenceError: register is not defined");
  EXPECT_EQ(extension_text, kExtension);
  EXPECT_FALSE(late_registration);
  EXPECT_FALSE(CefRegisterExtension("v8/outside", kExtension, handler.get()));
}

TEST(EnginePages, TheGlobalJsonObjectParsesAndStringifies) {
  CefRefPtr<TestApp> app = new TestApp();
  std::mutex lock;
  std::wstring round_trip, bad_parse_exception, member_value;
  bool bad_parse_null = false, deep_parse_null = false;
  inproc::RegisterPage(L"https://site.test/json", [&](inproc::Page& page) {
    CefRefPtr<CefV8Value> json = page.context()->GetGlobal()->GetValue("JSON");
    CefRefPtr<CefV8Value> parse = json->GetValue("parse");
    CefRefPtr<CefV8Value> stringify = json->GetValue("stringify");
    CefRefPtr<CefV8Value> value = parse->ExecuteFunction(
        nullptr, {CefV8Value::CreateString("{\"a\":[1,2.5,{\"b\":true}],\"s\":\"x\\\"y\\u00e9\",\"n\":null}")});
    CefRefPtr<CefV8Value> text = stringify->ExecuteFunction(nullptr, {value});
    CefRefPtr<CefV8Value> bad = parse->ExecuteFunction(nullptr, {CefV8Value::CreateString("{\"a\":}")});
    std::string deep(100000, '[');
    CefRefPtr<CefV8Value> too_deep = parse->ExecuteFunction(nullptr, {CefV8Value::CreateString(deep)});
    std::lock_guard<std::mutex> guard(lock);
    round_trip = text ? text->GetStringValue().ToWString() : L"(null)";
    member_value = value ? value->GetValue("s")->GetStringValue().ToWString() : L"";
    bad_parse_null = !bad;
    bad_parse_exception = static_cast<V8ValueImpl*>(parse.get())->last_exception();
    deep_parse_null = !too_deep;
  });
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  ASSERT_TRUE(CreateBrowserAndWait(client, WindowlessInfo(), L"https://site.test/json"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end"); }));

  std::lock_guard<std::mutex> guard(lock);
  EXPECT_EQ(round_trip, L"{\"a\":[1,2.5,{\"b\":true}],\"s\":\"x\\\"y\u00e9\",\"n\":null}");
  EXPECT_EQ(member_value, L"x\"y\u00e9");
  EXPECT_TRUE(bad_parse_null);
  EXPECT_EQ(bad_parse_exception.find(L"SyntaxError"), 0u);
  EXPECT_TRUE(deep_parse_null);
}

TEST(EnginePages, FocusContextsAndStaleFunctionsFollowThePage) {
  CefRefPtr<TestApp> app = new TestApp();
  std::mutex lock;
  CefRefPtr<CefV8Value> old_function;
  CefRefPtr<CefV8Context> old_context;
  int old_function_runs = 0;
  bool stale_call_null = false, old_context_valid = true;
  inproc::RegisterPage(L"https://site.test/first", [&](inproc::Page& page) {
    page.FocusNode(true);
    page.FocusNode(false);
    page.ClearFocus();
    std::lock_guard<std::mutex> guard(lock);
    old_context = page.context();
    old_function = V8ValueImpl::Function(L"f", [&](const CefV8ValueList&) { ++old_function_runs; });
    page.Navigate(L"https://site.test/second");
  });
  inproc::RegisterPage(L"https://site.test/second", [&](inproc::Page& page) {
    std::lock_guard<std::mutex> guard(lock);
    stale_call_null = !old_function->ExecuteFunction(nullptr, {});
    old_context_valid = static_cast<inproc::V8ContextImpl*>(old_context.get())->IsValid();
  });
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  ASSERT_TRUE(CreateBrowserAndWait(client, WindowlessInfo(), L"https://site.test/first"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));

  auto focus = app->journal.Find("focus");
  ASSERT_EQ(focus.size(), 3u);
  EXPECT_EQ(focus[0].number, 1);
  EXPECT_EQ(focus[1].number, 0);
  EXPECT_EQ(focus[1].text, L"node");
  EXPECT_EQ(focus[2].text, L"none");

  auto released = app->journal.Find("context-released");
  ASSERT_EQ(released.size(), 1u);
  EXPECT_EQ(released[0].text, L"https://site.test/first");
  std::lock_guard<std::mutex> guard(lock);
  EXPECT_TRUE(stale_call_null);
  EXPECT_EQ(old_function_runs, 0);
  EXPECT_FALSE(old_context_valid);
  old_function = nullptr;
  old_context = nullptr;
}

TEST(EnginePages, WindowlessBrowsersPaintBgraFramesOfTheViewSize) {
  CefRefPtr<TestApp> app = new TestApp();
  inproc::RegisterPage(L"https://site.test/colour", [](inproc::Page& page) { page.SetBackgroundColor(0xFF336699); });
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  client->windowless_view = true;
  client->view_rect = CefRect(0, 0, 40, 30);
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), L"https://site.test/colour");
  ASSERT_TRUE(browser);
  auto painted_colour = [&] {
    std::lock_guard<std::mutex> guard(client->lock);
    return client->last_frame.size() == 40u * 30u * 4u && client->last_frame[0] == 0x99 &&
           client->last_frame[1] == 0x66 && client->last_frame[2] == 0x33 && client->last_frame[3] == 0xFF;
  };
  ASSERT_TRUE(PumpUntil(painted_colour));
  {
    std::lock_guard<std::mutex> guard(client->lock);
    EXPECT_EQ(client->frame_width, 40);
    EXPECT_EQ(client->frame_height, 30);
    size_t last = client->last_frame.size() - 4;
    EXPECT_EQ(client->last_frame[last], 0x99);
    EXPECT_EQ(client->last_frame[last + 3], 0xFF);
  }

  // A resize is painted at the new size; a hidden browser paints nothing.
  int paints = client->journal.Count("paint");
  browser->GetHost()->WasHidden(true);
  browser->GetHost()->Invalidate(PET_VIEW);
  PumpFor(200);
  EXPECT_EQ(client->journal.Count("paint"), paints);
  {
    std::lock_guard<std::mutex> guard(client->lock);
    client->view_rect = CefRect(0, 0, 8, 4);
  }
  browser->GetHost()->WasHidden(false);
  ASSERT_TRUE(PumpUntil([&] {
    std::lock_guard<std::mutex> guard(client->lock);
    return client->frame_width == 8 && client->frame_height == 4;
  }));

  // Input to a windowless browser is kept in order for inspection.
  CefMouseEvent mouse;
  mouse.x = 3;
  mouse.y = 2;
  browser->GetHost()->SendMouseClickEvent(mouse, MBT_RIGHT, true, 1);
  browser->GetHost()->SendFocusEvent(true);
  auto input = inproc::TakeInputEvents(browser);
  ASSERT_EQ(input.size(), 2u);
  EXPECT_EQ(input[0].kind, inproc::InputEvent::Kind::kMouseClick);
  EXPECT_EQ(input[0].button, MBT_RIGHT);
  EXPECT_TRUE(input[0].mouse_up);
  EXPECT_EQ(input[0].mouse.x, 3);
  EXPECT_EQ(input[1].kind, inproc::InputEvent::Kind::kFocus);
  browser->GetHost()->SetAudioMuted(true);
  EXPECT_TRUE(inproc::IsAudioMuted(browser));
}

}  // namespace

namespace {

TEST(EnginePages, ChildFramesHaveTheirOwnContextAddressAndMessagesUntilThePageGoes) {
  CefRefPtr<TestApp> app = new TestApp();
  std::mutex lock;
  int64_t child_id = 0;
  bool child_is_main = true;
  inproc::RegisterPage(L"https://site.test/parent", [&](inproc::Page& page) {
    CefRefPtr<CefFrame> child = page.AddChildFrame(L"https://other.test/ad");
    std::lock_guard<std::mutex> guard(lock);
    child_id = child ? child->GetIdentifier() : 0;
    child_is_main = child && child->IsMain();
  });
  inproc::RegisterPage(L"https://other.test/ad", [](inproc::Page& page) {
    page.frame()->SendProcessMessage(PID_BROWSER, CefProcessMessage::Create("from-child"));
  });
  inproc::RegisterPage(L"https://site.test/next", [](inproc::Page&) {});
  EngineScope engine(app.get());
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), L"https://site.test/parent");
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("browser-message") && client->journal.Has("load-end"); }));

  int64_t id = 0;
  {
    std::lock_guard<std::mutex> guard(lock);
    id = child_id;
    EXPECT_FALSE(child_is_main);
  }
  ASSERT_NE(id, 0);
  EXPECT_NE(id, browser->GetMainFrame()->GetIdentifier());
  // The browser side knows the frame by the renderer's number, with its own
  // address.
  CefRefPtr<CefFrame> frame = browser->GetFrame(id);
  ASSERT_TRUE(frame);
  EXPECT_FALSE(frame->IsMain());
  EXPECT_EQ(frame->GetURL().ToWString(), L"https://other.test/ad");
  EXPECT_EQ(app->journal.Count("context-created"), 2);

  // Navigating takes the child frame away on both sides, child first.
  browser->GetMainFrame()->LoadURL(L"https://site.test/next");
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));
  EXPECT_FALSE(browser->GetFrame(id));
  auto released = app->journal.Find("context-released");
  ASSERT_EQ(released.size(), 2u);
  EXPECT_EQ(released[0].text, L"https://other.test/ad");
  EXPECT_EQ(released[1].text, L"https://site.test/parent");
}

}  // namespace
