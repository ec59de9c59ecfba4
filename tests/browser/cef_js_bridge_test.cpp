#include "browser/cef_js_bridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "browser/cef_js_handler.h"
#include "browser/cef_native_control.h"
#include "browser_test_support.h"
#include "browser_under_test.h"
#include "engine/in_process/engine_state.h"
#include "engine/in_process/page.h"
#include "qiv_page.h"

using namespace browser_test;
using qiv_comp::CefJSBridge;

namespace {

const wchar_t kNotFound[] = L"{\"message\":\"Function does not exist.\"}";

CefRefPtr<CefV8Value> Text(const std::wstring& text) { return V8ValueImpl::String(text).get(); }

// Native functions of the tests: what they were given, in order.
struct NativeLog {
  std::vector<std::string> params;
  std::vector<DWORD> threads;
};

// A native control that notes the callback ids of the page's calls.
class IdRecordingControl : public qiv_comp::CefNativeControl {
 public:
  bool OnExecuteCppFunction(const CefString& name, const CefString& params, int id, CefRefPtr<CefBrowser> browser,
                            CefRefPtr<CefFrame> frame) override {
    {
      std::lock_guard<std::mutex> guard(lock);
      ids.push_back(id);
    }
    return CefNativeControl::OnExecuteCppFunction(name, params, id, browser, frame);
  }
  std::mutex lock;
  std::vector<int> ids;
};

TEST(JsBridge, CallShapesTheirAnswersAndTheBadInputOfPages) {
  RunAsUiThread([] {
    TestSkin skin;
    EngineScope engine(L"bridge_shapes");
    Answers answers;
    std::mutex lock;
    std::vector<std::wstring> exceptions;
    std::wstring extension;
    inproc::RegisterPage(L"https://bridge.test/shapes", [&](inproc::Page& page) {
      std::vector<std::wstring> thrown;
      thrown.push_back(QivCall(page, L"Echo", answers.Callback(1)).exception);
      // A value without a callback: argument 2 is undefined, no function.
      CefRefPtr<V8ValueImpl> object = V8ValueImpl::Object();
      object->SetMember(L"a", V8ValueImpl::Int(1).get());
      thrown.push_back(QivCall(page, L"Echo", object.get()).exception);
      thrown.push_back(page.CallNative(L"call", {Text(L"Echo")}).exception);
      thrown.push_back(QivRegister(page, L"f", Text(L"no function")).exception);
      thrown.push_back(QivCall(page, L"ShowMessageBox", Text(L"hello \"you\""), answers.Callback(2)).exception);
      thrown.push_back(QivCall(page, L"Missing", answers.Callback(3)).exception);
      thrown.push_back(QivCall(page, L"NotJson", answers.Callback(4)).exception);
      thrown.push_back(QivCall(page, L"Twice", answers.Callback(5)).exception);
      thrown.push_back(QivCall(page, L"OtherThread", answers.Callback(6)).exception);
      thrown.push_back(
          QivCall(page, L"Echo", Text(std::wstring(CefJSBridge::kMaxTextLength, L'x')), answers.Callback(7)).exception);
      std::lock_guard<std::mutex> guard(lock);
      exceptions = thrown;
      extension = page.ExtensionText(L"v8/extern");
    });
    IdRecordingControl* recording = nullptr;
    BrowserUnderTest browser(BrowserWindow::Kind::kNative, [&recording] {
      recording = new IdRecordingControl();
      return recording;
    });
    ASSERT_TRUE(browser.ready());

    NativeLog log;
    auto echo = [&log](const std::string& params, CefJSBridge::ReportResult report) {
      log.params.push_back(params);
      report(false, "{\"echo\":" + (params.size() > 100 ? std::string("\"long\"") : params) + "}");
    };
    std::vector<std::thread> reporters;
    qiv_comp::CefControlBase* control = browser.control();
    ASSERT_TRUE(control->RegisterNativeFunction(L"Echo", echo, false));
    ASSERT_TRUE(control->RegisterNativeFunction(L"ShowMessageBox", echo, true));
    // A name already taken is refused; the first function stays.
    EXPECT_FALSE(control->RegisterNativeFunction(L"Echo", echo, false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"NotJson", [](const std::string&, CefJSBridge::ReportResult report) { report(false, "{not json"); }, false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"Twice",
        [](const std::string&, CefJSBridge::ReportResult report) {
          report(false, "{\"n\":1}");
          report(false, "{\"n\":2}");
          report(true, "{\"n\":3}");
        },
        false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"OtherThread",
        [&reporters](const std::string&, CefJSBridge::ReportResult report) {
          reporters.emplace_back([report] { report(false, "[\"from a thread\"]"); });
        },
        false));
    control->LoadURL(L"https://bridge.test/shapes");
    ASSERT_TRUE(WaitFor([&] { return answers.Count() >= 7; }));
    WaitFor(100);
    for (std::thread& reporter : reporters) reporter.join();

    EXPECT_EQ(answers.Count(), 7u);
    EXPECT_FALSE(answers.Of(1).has_error);
    EXPECT_EQ(answers.Of(1).json, L"{\"echo\":{}}");
    EXPECT_FALSE(answers.Of(2).has_error);
    EXPECT_EQ(answers.Of(2).json, L"{\"echo\":\"hello \\\"you\\\"\"}");
    EXPECT_TRUE(answers.Of(3).has_error);
    EXPECT_EQ(answers.Of(3).json, kNotFound);
    EXPECT_TRUE(answers.Of(4).has_error);
    EXPECT_EQ(answers.Of(4).json, L"{\"message\":\"Result is not valid JSON.\"}");
    EXPECT_FALSE(answers.Of(5).has_error);
    EXPECT_EQ(answers.Of(5).json, L"{\"n\":1}");
    EXPECT_EQ(answers.Of(6).json, L"[\"from a thread\"]");
    // Too long to be copied across: answered with an error, never run.
    EXPECT_TRUE(answers.Of(7).has_error);
    EXPECT_EQ(answers.Of(7).json, L"{\"message\":\"Text too long.\"}");
    // A call with only a callback sends "{}"; a text value its JSON text.
    ASSERT_EQ(log.params.size(), 2u);
    EXPECT_EQ(log.params[0], "{}");
    EXPECT_EQ(log.params[1], "\"hello \\\"you\\\"\"");

    std::lock_guard<std::mutex> guard(lock);
    ASSERT_EQ(exceptions.size(), 10u);
    for (size_t i : {1u, 2u, 3u}) EXPECT_EQ(exceptions[i], L"Invalid arguments.") << i;
    for (size_t i : {0u, 4u, 5u, 6u, 7u, 8u, 9u}) EXPECT_EQ(exceptions[i], L"") << i;
    EXPECT_EQ(extension, CefString(qiv_comp::CefJSHandler::kExtensionCode).ToWString());
    EXPECT_EQ(std::string(qiv_comp::CefJSHandler::kExtensionCode).size(), 581u);
    // The renderer numbers its calls from 0.
    {
      std::lock_guard<std::mutex> ids_guard(recording->lock);
      ASSERT_GE(recording->ids.size(), 2u);
      EXPECT_EQ(recording->ids[0], 0);
      EXPECT_EQ(recording->ids[1], 1);
    }

    // Messages the renderer cannot read are ignored, and it answers on.
    CefRefPtr<CefBrowser> page_browser = browser.browser();
    auto send = [&](const char* name, std::function<void(CefRefPtr<CefListValue>)> fill) {
      CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
      fill(message->GetArgumentList());
      page_browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, message);
    };
    send("ExecuteJsCallback", [](CefRefPtr<CefListValue> a) {
      a->SetString(0, "1");
      a->SetBool(1, false);
      a->SetString(2, "{}");
    });
    send("ExecuteJsCallback", [](CefRefPtr<CefListValue> a) {
      a->SetInt(0, 999);
      a->SetBool(1, false);
      a->SetString(2, "{}");
    });
    send("CallJsFunction", [](CefRefPtr<CefListValue> a) { a->SetInt(0, 1); });
    send("NoSuchMessage", [](CefRefPtr<CefListValue>) {});
    // A report kept until its browser has closed goes nowhere, harmlessly.
    CefJSBridge::ReportResult kept;
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"Keep", [&kept](const std::string&, CefJSBridge::ReportResult report) { kept = report; }, false));
    ASSERT_TRUE(inproc::RunInPage(page_browser->GetIdentifier(), [&answers](inproc::Page& page) {
      QivCall(page, L"Echo", answers.Callback(8));
      QivCall(page, L"Keep", answers.Callback(9));
    }));
    ASSERT_TRUE(WaitFor([&] { return answers.Count() == 8 && kept; }));
    EXPECT_EQ(answers.Of(8).json, L"{\"echo\":{}}");
    browser.Close();
    WaitFor(100);
    kept(false, "{}");
    std::thread late([kept] { kept(false, "{}"); });
    late.join();
    WaitFor(100);
    EXPECT_EQ(answers.Count(), 8u);
  });
}

TEST(JsBridge, NativeFunctionsBelongToBrowsersAndPageFunctionsToFrames) {
  RunAsUiThread([] {
    TestSkin skin;
    EngineScope engine(L"bridge_frames");
    Answers answers;
    std::mutex lock;
    std::vector<std::wstring> register_results;
    std::wstring child_register = L"(not run)";
    int64_t child_frame = 0;
    auto make_answer = [](const std::wstring& who) -> CefRefPtr<CefV8Value> {
      return V8ValueImpl::Function(
                 L"f",
                 [who](CefRefPtr<CefV8Value>, const CefV8ValueList& arguments, std::wstring&) -> CefRefPtr<CefV8Value> {
                   CefRefPtr<V8ValueImpl> result = V8ValueImpl::Object();
                   result->SetMember(L"who", V8ValueImpl::String(who).get());
                   result->SetMember(L"got", arguments.empty() ? V8ValueImpl::Null().get() : arguments[0]);
                   return result.get();
                 })
          .get();
    };
    inproc::RegisterPage(L"https://frames.test/a", [&](inproc::Page& page) {
      std::vector<std::wstring> results;
      results.push_back(QivRegister(page, L"f", make_answer(L"main")).exception);
      results.push_back(QivRegister(page, L"f", make_answer(L"again")).exception);
      results.push_back(
          QivRegister(page, L"throws",
                      V8ValueImpl::Function(L"t",
                                            [](CefRefPtr<CefV8Value>, const CefV8ValueList&, std::wstring& exception) {
                                              exception = L"Error: broken";
                                              return CefRefPtr<CefV8Value>();
                                            })
                          .get())
              .exception);
      results.push_back(
          QivRegister(page, L"text",
                      V8ValueImpl::Function(L"s",
                                            [](CefRefPtr<CefV8Value>, const CefV8ValueList&, std::wstring&) {
                                              return CefRefPtr<CefV8Value>(V8ValueImpl::String(L"no object").get());
                                            })
                          .get())
              .exception);
      results.push_back(
          QivRegister(page, L"slow",
                      V8ValueImpl::Function(L"w",
                                            [](CefRefPtr<CefV8Value>, const CefV8ValueList&, std::wstring&) {
                                              ::Sleep(300);
                                              return CefRefPtr<CefV8Value>(V8ValueImpl::Object().get());
                                            })
                          .get())
              .exception);
      CefRefPtr<CefFrame> child = page.AddChildFrame(L"https://frames.test/child");
      QivCall(page, L"OnlyA", answers.Callback(1));
      std::lock_guard<std::mutex> guard(lock);
      register_results = results;
      child_frame = child ? child->GetIdentifier() : 0;
    });
    inproc::RegisterPage(L"https://frames.test/child", [&](inproc::Page& page) {
      std::wstring result = QivRegister(page, L"f", make_answer(L"child")).exception;
      std::lock_guard<std::mutex> guard(lock);
      child_register = result;
    });
    inproc::RegisterPage(L"https://frames.test/b", [&](inproc::Page& page) {
      QivCall(page, L"OnlyA", answers.Callback(2));
      QivCall(page, L"Everyone", answers.Callback(3));
    });
    inproc::RegisterPage(L"https://frames.test/empty", [](inproc::Page&) {});

    BrowserUnderTest a;
    BrowserUnderTest b(BrowserWindow::Kind::kNative, BrowserWindow::Factory(), 480, 40);
    ASSERT_TRUE(a.ready() && b.ready());
    auto reply = [](const std::string&, CefJSBridge::ReportResult report) { report(false, "{}"); };
    ASSERT_TRUE(a.control()->RegisterNativeFunction(L"OnlyA", reply, false));
    ASSERT_TRUE(b.control()->RegisterNativeFunction(L"Everyone", reply, true));
    a.control()->LoadURL(L"https://frames.test/a");
    b.control()->LoadURL(L"https://frames.test/b");
    ASSERT_TRUE(WaitFor([&] { return answers.Count() == 3; }));
    EXPECT_FALSE(answers.Of(1).has_error);
    EXPECT_TRUE(answers.Of(2).has_error);
    EXPECT_EQ(answers.Of(2).json, kNotFound);
    EXPECT_FALSE(answers.Of(3).has_error);

    int64_t child = 0;
    {
      std::lock_guard<std::mutex> guard(lock);
      ASSERT_EQ(register_results.size(), 5u);
      EXPECT_EQ(register_results[0], L"");
      EXPECT_EQ(register_results[1], L"Failed to register function.");
      EXPECT_EQ(child_register, L"") << "the same name in another frame";
      child = child_frame;
    }
    ASSERT_NE(child, 0);

    // Native code calls the page's functions and hears each answer once.
    std::map<int, std::vector<std::string>> results;
    auto collect = [&results](int key) {
      return [&results, key](const std::string& result) { results[key].push_back(result); };
    };
    qiv_comp::CefControlBase* control = a.control();
    ASSERT_TRUE(control->CallJsFunction(L"f", "{\"x\":[1,2]}", collect(1)));
    ASSERT_TRUE(control->CallJsFunction(L"f", "7", collect(2), child));
    ASSERT_TRUE(control->CallJsFunction(L"throws", "{}", collect(3)));
    ASSERT_TRUE(control->CallJsFunction(L"text", "{}", collect(4)));
    ASSERT_TRUE(control->CallJsFunction(L"missing", "{}", collect(5)));
    ASSERT_TRUE(control->CallJsFunction(L"f", "{not json", collect(6)));
    ASSERT_TRUE(control->CallJsFunction(L"f", "{}", collect(7), 123456));
    ASSERT_TRUE(WaitFor([&] { return results.size() == 7; }));
    EXPECT_EQ(results[1], std::vector<std::string>{"{\"who\":\"main\",\"got\":{\"x\":[1,2]}}"});
    EXPECT_EQ(results[2], std::vector<std::string>{"{\"who\":\"child\",\"got\":7}"});
    EXPECT_EQ(results[3], std::vector<std::string>{"{\"message\":\"Function failed.\"}"});
    EXPECT_EQ(results[4], std::vector<std::string>{"{\"message\":\"Function failed.\"}"});
    EXPECT_EQ(results[5], std::vector<std::string>{"{\"message\":\"Function does not exist.\"}"});
    EXPECT_EQ(results[6], std::vector<std::string>{"{\"message\":\"Parameters are not valid JSON.\"}"});
    EXPECT_EQ(results[7], std::vector<std::string>{"{\"message\":\"Function does not exist.\"}"});

    // A page that goes takes its functions with it.
    control->LoadURL(L"https://frames.test/empty");
    WaitFor(200);
    ASSERT_TRUE(control->CallJsFunction(L"f", "{}", collect(8)));
    ASSERT_TRUE(WaitFor([&] { return results.count(8) > 0; }));
    EXPECT_EQ(results[8], std::vector<std::string>{"{\"message\":\"Function does not exist.\"}"});

    // A call still out when its browser closes is answered once, with an error.
    control->LoadURL(L"https://frames.test/a");
    WaitFor(200);
    ASSERT_TRUE(control->CallJsFunction(L"slow", "{}", collect(9)));
    WaitFor(50);
    a.Close();
    ASSERT_TRUE(WaitFor([&] { return results.count(9) > 0; }));
    WaitFor(500);
    EXPECT_EQ(results[9], std::vector<std::string>{"{\"message\":\"Browser closed.\"}"});
  });
}

TEST(JsBridge, TenThousandCallsOfOnePageAreEachAnsweredOnceInOrder) {
  RunAsUiThread([] {
    TestSkin skin;
    EngineScope engine(L"bridge_many");
    constexpr int kCalls = 10000;
    std::mutex lock;
    std::vector<int> order;
    inproc::RegisterPage(L"https://many.test/", [&](inproc::Page& page) {
      for (int i = 0; i < kCalls; ++i) {
        CefRefPtr<CefV8Value> callback = V8ValueImpl::Function(L"cb", [&, i](const CefV8ValueList& arguments) {
          std::lock_guard<std::mutex> guard(lock);
          // The native side answers with the call's number.
          order.push_back(arguments.size() > 1 && !V8ValueImpl::BoolOf(arguments[0])
                              ? static_cast<int>(V8ValueImpl::NumberOf(arguments[1]))
                              : -1 - i);
        });
        QivCall(page, L"Number", V8ValueImpl::Int(i).get(), callback);
      }
    });
    BrowserUnderTest browser;
    ASSERT_TRUE(browser.ready());
    ASSERT_TRUE(browser.control()->RegisterNativeFunction(
        L"Number", [](const std::string& params, CefJSBridge::ReportResult report) { report(false, params); }, false));
    browser.control()->LoadURL(L"https://many.test/");
    ASSERT_TRUE(WaitFor(
        [&] {
          std::lock_guard<std::mutex> guard(lock);
          return order.size() >= static_cast<size_t>(kCalls);
        },
        60000));
    WaitFor(100);
    std::lock_guard<std::mutex> guard(lock);
    ASSERT_EQ(order.size(), static_cast<size_t>(kCalls));
    for (int i = 0; i < kCalls; ++i) ASSERT_EQ(order[i], i);
  });
}

TEST(JsBridge, OriginLimitedFunctionsAnswerOnlyFramesOfTheirOriginsAndRegistrationMayRaceCalls) {
  RunAsUiThread([] {
    TestSkin skin;
    EngineScope engine(L"bridge_origins");
    Answers answers;
    // Which call number each page makes.
    const std::vector<std::pair<std::wstring, int>> pages = {
        {L"https://www.plaxon.com/login", 1},      {L"https://WWW.Plaxon.com/upper", 2},
        {L"http://www.plaxon.com/plain", 3},       {L"https://www.plaxon.com:8443/port", 4},
        {L"https://www.plaxon.com.evil.test/", 5}, {L"https://trnw.plaxon.com/wd/", 6},
        {L"https://www.plaxon.com@evil.test/", 7}};
    for (const auto& entry : pages) {
      const int call = entry.second;
      inproc::RegisterPage(entry.first, [&answers, call](inproc::Page& page) {
        QivCall(page, L"Limited", answers.Callback(call));
        // An ad of another origin inside the portal's page.
        if (call == 1) page.AddChildFrame(L"https://ads.test/banner");
      });
    }
    inproc::RegisterPage(L"https://ads.test/banner",
                         [&answers](inproc::Page& page) { QivCall(page, L"Limited", answers.Callback(8)); });
    BrowserUnderTest browser;
    ASSERT_TRUE(browser.ready());
    ASSERT_TRUE(browser.control()->RegisterNativeFunction(
        L"Limited", [](const std::string&, CefJSBridge::ReportResult report) { report(false, "{}"); }, false,
        {L"https://www.plaxon.com", L"https://trnw.plaxon.com/"}));
    for (const auto& entry : pages) {
      size_t before = answers.Count();
      browser.control()->LoadURL(entry.first);
      ASSERT_TRUE(WaitFor([&] { return answers.Count() > before + (entry.second == 1 ? 1 : 0); }));
    }
    for (int call : {1, 2, 6}) EXPECT_FALSE(answers.Of(call).has_error) << call;
    for (int call : {3, 4, 5, 7, 8}) {
      EXPECT_TRUE(answers.Of(call).has_error) << call;
      EXPECT_EQ(answers.Of(call).json, kNotFound) << call;
    }

    // Registration on the UI thread while the engine's thread looks names up:
    // every call is answered, found or not.
    constexpr int kCalls = 3000;
    std::atomic<int> answered{0};
    inproc::RegisterPage(L"https://race.test/", [&answered](inproc::Page& page) {
      for (int i = 0; i < kCalls; ++i) {
        QivCall(page, L"Race" + std::to_wstring(i % 3),
                V8ValueImpl::Function(L"cb", [&answered](const CefV8ValueList&) { ++answered; }).get());
      }
    });
    qiv_comp::CefControlBase* control = browser.control();
    auto reply = [](const std::string&, CefJSBridge::ReportResult report) { report(false, "1"); };
    control->LoadURL(L"https://race.test/");
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    for (int round = 0; answered < kCalls && ::GetTickCount64() < deadline; ++round) {
      for (int i = 0; i < 20; ++i) {
        const std::wstring name = L"Race" + std::to_wstring((round + i) % 3);
        const bool global = (round + i) % 2 == 0;
        if (!control->RegisterNativeFunction(name, reply, global)) control->UnregisterNativeFunction(name, global);
      }
      WaitFor(1);
    }
    EXPECT_EQ(answered, kCalls);
  });
}

}  // namespace
