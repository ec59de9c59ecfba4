// The JavaScript bridge on both engine implementations: real pages served on
// loopback for the real engine, page scripts doing the same for the
// in-process one. Pages tell the test what they saw through a native
// function of the test's, "Record".
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <map>
#include <thread>

#include "base/string_conversions.h"
#include "base/thread_registry.h"
#include "browser/cef_js_bridge.h"
#include "browser/cef_native_control.h"
#include "browser_test_support.h"
#include "browser_under_test.h"
#include "engine/in_process/engine_state.h"
#include "qiv_page.h"
#include "tests/support/test_site.h"

using namespace browser_test;
using qiv_comp::CefJSBridge;
using test_support::EngineKind;
using test_support::LoopbackHttpServer;
using test_support::TestSite;

namespace {

const char kNotFound[] = "{\"message\":\"Function does not exist.\"}";
const char kInvalid[] = "Invalid arguments.";

// What every real test page starts with: callbacks that record their
// answers, and a list of what calls threw, sent once the page is done.
const char kHelpers[] = R"JS(<script>
const T = {
  thrown: [],
  send(n, e, j) { QivCefWebInstance.call('Record', {n, e: !!e, j}, () => {}); },
  cb(n) { return (e, v) => T.send(n, e, v === undefined ? '(none)' : JSON.stringify(v)); },
  throws(f) {
    // Errors of another frame's world are no instances of this one's Error.
    try { f(); T.thrown.push(''); } catch (x) { T.thrown.push(x && typeof x.message === 'string' ? x.message : 'odd: ' + x); }
  },
  flush(n) { T.send(n, false, JSON.stringify(T.thrown)); },
};
</script>
)JS";

std::string Html(const std::string& body) { return std::string("<!doctype html><meta charset='utf-8'>") + kHelpers + body; }

// Answers pages received, by call number: has error and the result's JSON.
class Records {
 public:
  struct Record {
    bool has_error = true;
    std::string json = "(missing)";
  };

  void Add(int call, bool has_error, const std::string& json) {
    std::lock_guard<std::mutex> guard(lock_);
    records_[call].push_back(Record{has_error, json});
  }
  // An in-process page callback that records under |call|.
  CefRefPtr<CefV8Value> Callback(int call) {
    return V8ValueImpl::Function(L"callback",
                                 [this, call](const CefV8ValueList& arguments) {
                                   Add(call, arguments.size() > 0 && V8ValueImpl::BoolOf(arguments[0]),
                                       arguments.size() > 1 ? qbase::UTF16ToUTF8(V8ValueImpl::ToJson(arguments[1]))
                                                            : "(none)");
                                 })
        .get();
  }
  // The one answer to |call|; "(answered N times)" when there were more.
  Record Of(int call) {
    std::lock_guard<std::mutex> guard(lock_);
    auto it = records_.find(call);
    if (it == records_.end()) return Record();
    Record first = it->second.front();
    if (it->second.size() > 1) first.json = "(answered " + std::to_string(it->second.size()) + " times)";
    return first;
  }
  bool Has(int call) {
    std::lock_guard<std::mutex> guard(lock_);
    return records_.count(call) > 0;
  }
  size_t Count() {
    std::lock_guard<std::mutex> guard(lock_);
    return records_.size();
  }
  // The texts that a page's calls threw, as the page flushed them.
  std::vector<std::string> Thrown(int call) {
    nlohmann::json list = nlohmann::json::parse(Of(call).json, nullptr, false);
    std::vector<std::string> texts;
    if (list.is_array()) {
      for (const auto& text : list) texts.push_back(text.is_string() ? text.get<std::string>() : "(no text)");
    }
    return texts;
  }
  // The page's "Record" calls: {n, e, j}.
  CefJSBridge::NativeFunction Native() {
    return [this](const std::string& params, CefJSBridge::ReportResult report) {
      nlohmann::json record = nlohmann::json::parse(params, nullptr, false);
      if (record.is_object() && record.value("n", -1) >= 0) {
        Add(record.value("n", -1), record.value("e", true), record.value("j", std::string("(no json)")));
      }
      report(false, "{}");
    };
  }

 private:
  std::mutex lock_;
  std::map<int, std::vector<Record>> records_;
};

// The texts in-process calls threw, in the form real pages flush them.
void AddThrown(Records& records, int call, const std::vector<std::wstring>& thrown) {
  nlohmann::json list = nlohmann::json::array();
  for (const std::wstring& text : thrown) list.push_back(qbase::UTF16ToUTF8(text));
  records.Add(call, false, list.dump());
}

// A native control that notes, per call, its id and the frame it came from.
class NotingControl : public qiv_comp::CefNativeControl {
 public:
  bool OnExecuteCppFunction(const CefString& name, const CefString& params, int id, CefRefPtr<CefBrowser> browser,
                            CefRefPtr<CefFrame> frame) override {
    {
      std::lock_guard<std::mutex> guard(lock);
      ids.push_back(id);
      if (name == "Hello" && frame) frames[params.ToString()] = frame->GetIdentifier();
    }
    return CefNativeControl::OnExecuteCppFunction(name, params, id, browser, frame);
  }
  int64_t FrameOf(const std::string& params) {
    std::lock_guard<std::mutex> guard(lock);
    auto it = frames.find(params);
    return it == frames.end() ? 0 : it->second;
  }
  std::mutex lock;
  std::vector<int> ids;
  std::map<std::string, int64_t> frames;
};

class JsBridgeOnEngines : public ::testing::TestWithParam<EngineKind> {
 protected:
  void SetUp() override { SKIP_UNLESS_ENGINE_AVAILABLE(GetParam()); }
  EngineKind kind() const { return GetParam(); }
  bool real() const { return GetParam() == EngineKind::kReal; }
  // The real browser takes its time to start before the first page.
  DWORD first_load_ms() const { return real() ? 30000 : 10000; }
};

std::string EngineParamName(const ::testing::TestParamInfo<EngineKind>& info) {
  return test_support::EngineName(info.param);
}

// Pages of other origins than the site's: their own servers on loopback.
class OtherOrigin {
 public:
  explicit OtherOrigin(EngineKind kind) : real_(kind == EngineKind::kReal) { server_.Start(); }
  std::wstring Url(const std::string& path) const { return server_.WideUrl(path); }
  std::string Origin() const { return server_.Url(""); }
  void Page(const std::string& path, const std::string& html, inproc::PageScript script) {
    if (real_) {
      server_.Page(path, html);
    } else {
      inproc::RegisterPage(Url(path), std::move(script));
    }
  }

 private:
  bool real_;
  LoopbackHttpServer server_;
};

CefJSBridge::NativeFunction Echo() {
  return [](const std::string& params, CefJSBridge::ReportResult report) {
    report(false, "{\"echo\":" + params + "}");
  };
}

TEST_P(JsBridgeOnEngines, CallShapesTheirAnswersAndRefusalsThrownSynchronously) {
  RunAsUiThread([this] {
    // Before the engine: its shutdown still runs callbacks that reach these.
    Records records;
    TestSkin skin;
    EngineScope engine(L"bridge_engines_shapes", false, kind());
    ASSERT_TRUE(engine.started());
    TestSite site(kind());
    ASSERT_TRUE(site.Start());
    // Every wrong shape a page can give "call" and "register", and the right ones.
    site.Page("/shapes", Html(R"JS(<iframe id='gone' src='/blank'></iframe><script>
const Q = QivCefWebInstance;
T.throws(() => Q.call('Echo', T.cb(1)));
T.throws(() => Q.call('Echo', {a: 1}));
T.throws(() => Q.call('Echo'));
T.throws(() => Q.call());
T.throws(() => Q.call(42, () => {}));
T.throws(() => Q.call('Echo', undefined, T.cb(9)));
T.throws(() => Q.call('Echo', {a: 1}, 'no function'));
T.throws(() => Q.register('f', 'no function'));
T.throws(() => Q.register());
T.throws(() => Q.register(7, () => ({})));
T.throws(() => Q.call('ShowMessageBox', 'hello "you"', T.cb(2)));
T.throws(() => Q.call('Missing', T.cb(3)));
T.throws(() => Q.call('NotJson', T.cb(4)));
T.throws(() => Q.call('Twice', T.cb(5)));
T.throws(() => Q.call('OtherThread', T.cb(6)));
T.throws(() => Q.register('g', () => ({})));
T.throws(() => Q.register('g', () => ({})));
T.flush(100);
// A frame that is gone cannot call any more.
onload = () => {
  const frame = document.getElementById('gone');
  const lost = frame.contentWindow;
  frame.remove();
  T.thrown = [];
  T.throws(() => lost.QivCefWebInstance.call('Echo', () => {}));
  T.flush(101);
};
</script>)JS"),
              [&records](inproc::Page& page) {
                std::vector<std::wstring> thrown;
                auto text = [](const std::wstring& value) { return CefRefPtr<CefV8Value>(V8ValueImpl::String(value).get()); };
                CefRefPtr<V8ValueImpl> object = V8ValueImpl::Object();
                object->SetMember(L"a", V8ValueImpl::Int(1).get());
                CefRefPtr<CefV8Value> nothing = V8ValueImpl::Undefined().get();
                CefRefPtr<CefV8Value> empty = V8ValueImpl::Function(L"e", [](const CefV8ValueList&) {}).get();
                auto answer = [](CefRefPtr<CefV8Value>, const CefV8ValueList&, std::wstring&) {
                  return CefRefPtr<CefV8Value>(V8ValueImpl::Object().get());
                };
                thrown.push_back(QivCall(page, L"Echo", records.Callback(1)).exception);
                thrown.push_back(QivCall(page, L"Echo", object.get()).exception);
                thrown.push_back(QivCall(page, L"Echo", nothing).exception);
                thrown.push_back(page.CallNative(L"call", {nothing, nothing, nothing}).exception);
                thrown.push_back(page.CallNative(L"call", {V8ValueImpl::Int(42).get(), empty}).exception);
                thrown.push_back(page.CallNative(L"call", {text(L"Echo"), nothing, records.Callback(9)}).exception);
                thrown.push_back(QivCall(page, L"Echo", object.get(), text(L"no function")).exception);
                thrown.push_back(QivRegister(page, L"f", text(L"no function")).exception);
                thrown.push_back(page.CallNative(L"register", {nothing, nothing}).exception);
                thrown.push_back(
                    page.CallNative(L"register", {V8ValueImpl::Int(7).get(), V8ValueImpl::Function(L"g", answer).get()})
                        .exception);
                thrown.push_back(QivCall(page, L"ShowMessageBox", text(L"hello \"you\""), records.Callback(2)).exception);
                thrown.push_back(QivCall(page, L"Missing", records.Callback(3)).exception);
                thrown.push_back(QivCall(page, L"NotJson", records.Callback(4)).exception);
                thrown.push_back(QivCall(page, L"Twice", records.Callback(5)).exception);
                thrown.push_back(QivCall(page, L"OtherThread", records.Callback(6)).exception);
                thrown.push_back(QivRegister(page, L"g", V8ValueImpl::Function(L"g", answer).get()).exception);
                thrown.push_back(QivRegister(page, L"g", V8ValueImpl::Function(L"g", answer).get()).exception);
                AddThrown(records, 100, thrown);
              });
    site.Page("/blank", "<!doctype html><p>child</p>");

    NotingControl* noting = nullptr;
    BrowserUnderTest browser(BrowserWindow::Kind::kNative, [&noting] {
      noting = new NotingControl();
      return noting;
    });
    ASSERT_TRUE(browser.ready());
    qiv_comp::CefControlBase* control = browser.control();
    std::vector<std::thread> reporters;
    ASSERT_TRUE(control->RegisterNativeFunction(L"Record", records.Native(), false));
    ASSERT_TRUE(control->RegisterNativeFunction(L"Echo", Echo(), false));
    ASSERT_TRUE(control->RegisterNativeFunction(L"ShowMessageBox", Echo(), true));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"NotJson", [](const std::string&, CefJSBridge::ReportResult report) { report(false, "{not json"); }, false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"Twice",
        [](const std::string&, CefJSBridge::ReportResult report) {
          report(false, "{\"n\":1}");
          report(true, "{\"n\":2}");
        },
        false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"OtherThread",
        [&reporters](const std::string&, CefJSBridge::ReportResult report) {
          reporters.emplace_back([report] { report(false, "[\"from a thread\"]"); });
        },
        false));
    control->LoadURL(site.Url("/shapes"));
    ASSERT_TRUE(WaitFor([&] { return records.Has(100) && records.Has(6); }, first_load_ms()));
    if (real()) {
      ASSERT_TRUE(WaitFor([&] { return records.Has(101); }));
    }
    WaitFor(200);
    for (std::thread& reporter : reporters) reporter.join();

    // Each refusal was thrown by the call itself, and caught by the page.
    const std::vector<std::string> expected = {"",       kInvalid, kInvalid, kInvalid, kInvalid, kInvalid,
                                               kInvalid, kInvalid, kInvalid, kInvalid, "",       "",
                                               "",       "",       "",       "",       "Failed to register function."};
    EXPECT_EQ(records.Thrown(100), expected);
    if (real()) {
      EXPECT_EQ(records.Thrown(101), std::vector<std::string>{"Failed to call function Echo."});
    }

    EXPECT_FALSE(records.Of(1).has_error);
    EXPECT_EQ(records.Of(1).json, "{\"echo\":{}}");
    EXPECT_FALSE(records.Of(2).has_error);
    EXPECT_EQ(records.Of(2).json, "{\"echo\":\"hello \\\"you\\\"\"}");
    EXPECT_TRUE(records.Of(3).has_error);
    EXPECT_EQ(records.Of(3).json, kNotFound);
    EXPECT_TRUE(records.Of(4).has_error);
    EXPECT_EQ(records.Of(4).json, "{\"message\":\"Result is not valid JSON.\"}");
    EXPECT_FALSE(records.Of(5).has_error);
    EXPECT_EQ(records.Of(5).json, "{\"n\":1}");
    EXPECT_EQ(records.Of(6).json, "[\"from a thread\"]");
    EXPECT_FALSE(records.Has(9)) << "a refused call never answers";
    // The renderer numbers its calls from 0, refused ones taking none.
    std::lock_guard<std::mutex> guard(noting->lock);
    ASSERT_GE(noting->ids.size(), 2u);
    EXPECT_EQ(noting->ids[0], 0);
    EXPECT_EQ(noting->ids[1], 1);
  });
}

TEST_P(JsBridgeOnEngines, TenThousandCallsAreEachAnsweredOnceInOrder) {
  RunAsUiThread([this] {
    // Before the engine: its shutdown still runs callbacks that reach these.
    Records records;
    std::mutex lock;
    std::vector<int> order;
    TestSkin skin;
    EngineScope engine(L"bridge_engines_many", false, kind());
    TestSite site(kind());
    ASSERT_TRUE(site.Start());
    constexpr int kCalls = 10000;
    // The page reports once all answers are in, and again for any extra one.
    site.Page("/many", Html(R"JS(<script>
const got = [];
for (let i = 0; i < 10000; ++i) {
  QivCefWebInstance.call('Number', i, (e, v) => {
    got.push(e ? -1 : v);
    if (got.length >= 10000) T.send(got.length === 10000 ? 1 : 2, false, JSON.stringify(got.every((v, k) => v === k)));
  });
}
</script>)JS"),
              [&](inproc::Page& page) {
                for (int i = 0; i < kCalls; ++i) {
                  CefRefPtr<CefV8Value> callback = V8ValueImpl::Function(L"cb", [&, i](const CefV8ValueList& arguments) {
                    std::lock_guard<std::mutex> guard(lock);
                    order.push_back(arguments.size() > 1 && !V8ValueImpl::BoolOf(arguments[0])
                                        ? static_cast<int>(V8ValueImpl::NumberOf(arguments[1]))
                                        : -1 - i);
                    if (order.size() < kCalls) return;
                    bool in_order = true;
                    for (int k = 0; k < kCalls && in_order; ++k) in_order = order[k] == k;
                    records.Add(order.size() == kCalls ? 1 : 2, false, in_order ? "true" : "false");
                  });
                  QivCall(page, L"Number", V8ValueImpl::Int(i).get(), callback);
                }
              });
    BrowserUnderTest browser;
    ASSERT_TRUE(browser.ready());
    ASSERT_TRUE(browser.control()->RegisterNativeFunction(L"Record", records.Native(), false));
    ASSERT_TRUE(browser.control()->RegisterNativeFunction(
        L"Number", [](const std::string& params, CefJSBridge::ReportResult report) { report(false, params); }, false));
    browser.control()->LoadURL(site.Url("/many"));
    ASSERT_TRUE(WaitFor([&] { return records.Has(1); }, 60000));
    WaitFor(200);
    EXPECT_EQ(records.Of(1).json, "true");
    EXPECT_FALSE(records.Has(2)) << "more answers than calls";
  });
}

TEST_P(JsBridgeOnEngines, PageFunctionsBelongToFramesOfTheirOwnOriginsAndGoWithTheirPages) {
  RunAsUiThread([this] {
    // Before the engine: its shutdown still runs callbacks that reach these.
    Records records;
    CefJSBridge::ReportResult kept;
    std::map<int, std::vector<std::string>> results;
    auto collect = [&results](int key) {
      return [&results, key](const std::string& result) { results[key].push_back(result); };
    };
    TestSkin skin;
    EngineScope engine(L"bridge_engines_frames", false, kind());
    TestSite site(kind());
    ASSERT_TRUE(site.Start());
    OtherOrigin first(kind());
    OtherOrigin second(kind());
    const std::string child_html = Html(R"JS(<script>
const who = location.pathname.slice(7);
T.throws(() => QivCefWebInstance.register('f', (got) => ({who, got})));
QivCefWebInstance.call('Hello', who, () => {});
T.flush(who === 'a' ? 201 : 202);
</script>)JS");
    auto child_script = [&records](const std::wstring& who, int call) {
      return [&records, who, call](inproc::Page& page) {
        std::vector<std::wstring> thrown;
        thrown.push_back(QivRegister(page, L"f",
                                     V8ValueImpl::Function(L"f",
                                                           [who](CefRefPtr<CefV8Value>, const CefV8ValueList& arguments,
                                                                 std::wstring&) -> CefRefPtr<CefV8Value> {
                                                             CefRefPtr<V8ValueImpl> result = V8ValueImpl::Object();
                                                             result->SetMember(L"who", V8ValueImpl::String(who).get());
                                                             result->SetMember(L"got", arguments.empty()
                                                                                           ? V8ValueImpl::Null().get()
                                                                                           : arguments[0]);
                                                             return result.get();
                                                           })
                                         .get())
                             .exception);
        QivCall(page, L"Hello", V8ValueImpl::String(who).get(), V8ValueImpl::Function(L"e", [](const CefV8ValueList&) {}).get());
        AddThrown(records, call, thrown);
      };
    };
    first.Page("/child-a", child_html, child_script(L"a", 201));
    second.Page("/child-b", child_html, child_script(L"b", 202));
    const std::wstring child_a = first.Url("/child-a");
    const std::wstring child_b = second.Url("/child-b");
    site.Page("/main",
              Html("<iframe src='" + qbase::UTF16ToUTF8(child_a) + "'></iframe><iframe src='" +
                   qbase::UTF16ToUTF8(child_b) + "'></iframe>" + R"JS(<script>
const Q = QivCefWebInstance;
T.throws(() => Q.register('f', (got) => ({who: 'main', got})));
T.throws(() => Q.register('throws', () => { throw new Error('broken'); }));
T.throws(() => Q.register('text', () => 'no object'));
T.throws(() => Q.register('slow', () => { const end = Date.now() + 300; while (Date.now() < end) {} return {}; }));
Q.call('Keep', T.cb(7));
T.flush(200);
</script>)JS"),
              [&](inproc::Page& page) {
                std::vector<std::wstring> thrown;
                auto function = [](std::function<CefRefPtr<CefV8Value>(const CefV8ValueList&, std::wstring&)> body)
                    -> CefRefPtr<CefV8Value> {
                  return V8ValueImpl::Function(L"f",
                                               [body](CefRefPtr<CefV8Value>, const CefV8ValueList& arguments,
                                                      std::wstring& exception) { return body(arguments, exception); })
                      .get();
                };
                thrown.push_back(QivRegister(page, L"f", function([](const CefV8ValueList& arguments, std::wstring&) {
                                   CefRefPtr<V8ValueImpl> result = V8ValueImpl::Object();
                                   result->SetMember(L"who", V8ValueImpl::String(L"main").get());
                                   result->SetMember(L"got", arguments[0]);
                                   return CefRefPtr<CefV8Value>(result.get());
                                 })).exception);
                thrown.push_back(QivRegister(page, L"throws", function([](const CefV8ValueList&, std::wstring& e) {
                                   e = L"Error: broken";
                                   return CefRefPtr<CefV8Value>();
                                 })).exception);
                thrown.push_back(QivRegister(page, L"text", function([](const CefV8ValueList&, std::wstring&) {
                                   return CefRefPtr<CefV8Value>(V8ValueImpl::String(L"no object").get());
                                 })).exception);
                thrown.push_back(QivRegister(page, L"slow", function([](const CefV8ValueList&, std::wstring&) {
                                   ::Sleep(300);
                                   return CefRefPtr<CefV8Value>(V8ValueImpl::Object().get());
                                 })).exception);
                QivCall(page, L"Keep", records.Callback(7));
                page.AddChildFrame(child_a);
                page.AddChildFrame(child_b);
                AddThrown(records, 200, thrown);
              });
    site.Page("/empty", "<!doctype html><p>empty</p>");

    NotingControl* noting = nullptr;
    BrowserUnderTest browser(BrowserWindow::Kind::kNative, [&noting] {
      noting = new NotingControl();
      return noting;
    });
    ASSERT_TRUE(browser.ready());
    qiv_comp::CefControlBase* control = browser.control();
    ASSERT_TRUE(control->RegisterNativeFunction(L"Record", records.Native(), false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"Hello", [](const std::string&, CefJSBridge::ReportResult report) { report(false, "{}"); }, false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"Keep", [&kept](const std::string&, CefJSBridge::ReportResult report) { kept = report; }, false));
    control->LoadURL(site.Url("/main"));
    ASSERT_TRUE(WaitFor([&] { return records.Has(200) && records.Has(201) && records.Has(202) && kept; },
                        first_load_ms()));
    ASSERT_TRUE(WaitFor([&] { return noting->FrameOf("\"a\"") != 0 && noting->FrameOf("\"b\"") != 0; }));
    EXPECT_EQ(records.Thrown(200), std::vector<std::string>(4, ""));
    // The same name in frames of other origins is no second registration.
    EXPECT_EQ(records.Thrown(201), std::vector<std::string>{""});
    EXPECT_EQ(records.Thrown(202), std::vector<std::string>{""});
    const int64_t frame_a = noting->FrameOf("\"a\"");
    const int64_t frame_b = noting->FrameOf("\"b\"");
    EXPECT_NE(frame_a, frame_b);
    EXPECT_NE(frame_a, browser.browser()->GetMainFrame()->GetIdentifier());

    // Native code calls the frames' functions and hears each answer once.
    ASSERT_TRUE(control->CallJsFunction(L"f", "{\"x\":[1,2]}", collect(1)));
    ASSERT_TRUE(control->CallJsFunction(L"f", "7", collect(2), frame_a));
    ASSERT_TRUE(control->CallJsFunction(L"f", "\"\\u4f60\"", collect(3), frame_b));
    ASSERT_TRUE(control->CallJsFunction(L"throws", "{}", collect(4)));
    ASSERT_TRUE(control->CallJsFunction(L"text", "{}", collect(5)));
    ASSERT_TRUE(control->CallJsFunction(L"missing", "{}", collect(6)));
    ASSERT_TRUE(control->CallJsFunction(L"f", "{not json", collect(7)));
    ASSERT_TRUE(control->CallJsFunction(L"f", "{}", collect(8), 123456));
    ASSERT_TRUE(WaitFor([&] { return results.size() == 8; }));
    EXPECT_EQ(results[1], std::vector<std::string>{"{\"who\":\"main\",\"got\":{\"x\":[1,2]}}"});
    EXPECT_EQ(results[2], std::vector<std::string>{"{\"who\":\"a\",\"got\":7}"});
    EXPECT_EQ(results[3], std::vector<std::string>{"{\"who\":\"b\",\"got\":\"\xE4\xBD\xA0\"}"});
    EXPECT_EQ(results[4], std::vector<std::string>{"{\"message\":\"Function failed.\"}"});
    EXPECT_EQ(results[5], std::vector<std::string>{"{\"message\":\"Function failed.\"}"});
    EXPECT_EQ(results[6], std::vector<std::string>{kNotFound});
    EXPECT_EQ(results[7], std::vector<std::string>{"{\"message\":\"Parameters are not valid JSON.\"}"});
    EXPECT_EQ(results[8], std::vector<std::string>{kNotFound});

    // A page that goes takes its functions and its waiting callbacks along:
    // the answer kept for it reaches nobody.
    control->LoadURL(site.Url("/empty"));
    ASSERT_TRUE(WaitFor([&] {
      if (results.count(9) && results[9] == std::vector<std::string>{kNotFound}) return true;
      results.erase(9);
      control->CallJsFunction(L"f", "{}", collect(9));
      WaitFor(100);
      return false;
    }));
    kept(false, "{\"late\":true}");
    WaitFor(300);
    EXPECT_FALSE(records.Has(7));

    // A call still out when its browser closes is answered once, with an error.
    kept = nullptr;
    control->LoadURL(site.Url("/main"));
    ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(kept); }));
    ASSERT_TRUE(WaitFor([&] {
      results.erase(10);
      control->CallJsFunction(L"f", "1", collect(10));
      WaitFor(100);
      return results.count(10) && results[10][0] != kNotFound;
    }));
    ASSERT_TRUE(control->CallJsFunction(L"slow", "{}", collect(11)));
    WaitFor(50);
    browser.Close();
    ASSERT_TRUE(WaitFor([&] { return results.count(11) > 0; }));
    WaitFor(500);
    EXPECT_EQ(results[11], std::vector<std::string>{"{\"message\":\"Browser closed.\"}"});
  });
}

TEST_P(JsBridgeOnEngines, OriginLimitedFunctionsAnswerOnlyTheirOriginsWhereverTheCallerSits) {
  RunAsUiThread([this] {
    // Before the engine: its shutdown still runs callbacks that reach these.
    Records records;
    TestSkin skin;
    EngineScope engine(L"bridge_engines_origins", false, kind());
    TestSite site(kind());
    ASSERT_TRUE(site.Start());
    OtherOrigin foreign(kind());
    const std::string calls = Html(R"JS(<script>
const n = Number(location.pathname.slice(7));
QivCefWebInstance.call('Limited', T.cb(n));
QivCefWebInstance.call('Open', T.cb(n + 50));
</script>)JS");
    auto script = [&records](int n) {
      return [&records, n](inproc::Page& page) {
        QivCall(page, L"Limited", records.Callback(n));
        QivCall(page, L"Open", records.Callback(n + 50));
      };
    };
    const std::wstring framed = foreign.Url("/calls-2");
    site.Page("/calls-1", calls + "<iframe src='" + qbase::UTF16ToUTF8(framed) + "'></iframe>", [&](inproc::Page& page) {
      script(1)(page);
      page.AddChildFrame(framed);
    });
    foreign.Page("/calls-2", calls, script(2));
    foreign.Page("/calls-3", calls, script(3));
    BrowserUnderTest browser;
    ASSERT_TRUE(browser.ready());
    qiv_comp::CefControlBase* control = browser.control();
    auto reply = [](const std::string&, CefJSBridge::ReportResult report) { report(false, "{}"); };
    ASSERT_TRUE(control->RegisterNativeFunction(L"Record", records.Native(), false));
    ASSERT_TRUE(control->RegisterNativeFunction(L"Open", reply, false));
    ASSERT_TRUE(control->RegisterNativeFunction(L"Limited", reply, false, {site.Url("")}));
    control->LoadURL(site.Url("/calls-1"));
    ASSERT_TRUE(WaitFor([&] { return records.Has(2) && records.Has(52) && records.Has(1); }, first_load_ms()));
    control->LoadURL(foreign.Url("/calls-3"));
    ASSERT_TRUE(WaitFor([&] { return records.Has(3) && records.Has(53); }));
    EXPECT_FALSE(records.Of(1).has_error);
    // The portal's page holds a foreign frame; the foreign page is the top.
    for (int n : {2, 3}) {
      EXPECT_TRUE(records.Of(n).has_error) << n;
      EXPECT_EQ(records.Of(n).json, kNotFound) << n;
    }
    for (int n : {51, 52, 53}) EXPECT_EQ(records.Of(n).json, "{}") << n;
  });
}

// Pages that send what no page should: each gets its answer, and the UI
// thread runs its own tasks between the answers of a flood.
TEST_P(JsBridgeOnEngines, HugeDeepAndFloodingCallsAreAnsweredAndTheClientKeepsRunning) {
  RunAsUiThread([this] {
    // Before the engine: its shutdown still runs callbacks that reach these.
    Records records;
    std::atomic<int> counted{0};
    std::atomic<int> counted_at_probe{-1};
    CefJSBridge::ReportResult kept;
    TestSkin skin;
    EngineScope engine(L"bridge_engines_bad", false, kind());
    TestSite site(kind());
    ASSERT_TRUE(site.Start());
    constexpr int kFlood = 5000;
    constexpr int kDepth = 100000;
    site.Page("/bad", Html(R"JS(<script>
const Q = QivCefWebInstance;
Q.call('Echo', 'x'.repeat(20 * 1024 * 1024), T.cb(1));
Q.call('Huge', T.cb(2));
Q.call('Deep', (e, v) => {
  let depth = 0;
  for (let at = v; Array.isArray(at); at = at[0]) ++depth;
  T.send(3, e, e ? JSON.stringify(v) : String(depth));
});
let answered = 0;
for (let i = 0; i < 5000; ++i) Q.call('Count', () => { if (++answered === 5000) T.send(4, false, String(answered)); });
</script>)JS"),
              [&records](inproc::Page& page) {
                QivCall(page, L"Echo", V8ValueImpl::String(std::wstring(20 * 1024 * 1024, L'x')).get(),
                        records.Callback(1));
                QivCall(page, L"Huge", records.Callback(2));
                QivCall(page, L"Deep", V8ValueImpl::Function(L"deep", [&records](const CefV8ValueList& arguments) {
                                         const bool error = arguments.size() > 1 && V8ValueImpl::BoolOf(arguments[0]);
                                         records.Add(3, error,
                                                     error ? qbase::UTF16ToUTF8(V8ValueImpl::ToJson(arguments[1]))
                                                           : "(parsed)");
                                       }).get());
                auto answered = std::make_shared<int>(0);
                for (int i = 0; i < kFlood; ++i) {
                  QivCall(page, L"Count", V8ValueImpl::Function(L"count", [&records, answered](const CefV8ValueList&) {
                                            if (++*answered == kFlood) records.Add(4, false, std::to_string(*answered));
                                          }).get());
                }
              });
    BrowserUnderTest browser;
    ASSERT_TRUE(browser.ready());
    qiv_comp::CefControlBase* control = browser.control();
    ASSERT_TRUE(control->RegisterNativeFunction(L"Record", records.Native(), false));
    ASSERT_TRUE(control->RegisterNativeFunction(L"Echo", Echo(), false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"Huge",
        [](const std::string&, CefJSBridge::ReportResult report) {
          report(false, "\"" + std::string(20 * 1024 * 1024, 'y') + "\"");
        },
        false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"Deep",
        [](const std::string&, CefJSBridge::ReportResult report) {
          report(false, std::string(kDepth, '[') + std::string(kDepth, ']'));
        },
        false));
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"Count",
        [&](const std::string&, CefJSBridge::ReportResult report) {
          // A task of the UI thread's own, posted as the flood begins.
          if (counted++ == 0) {
            qbase::ThreadRegistry::PostTask(qbase::UiThreadId, [&] { counted_at_probe = counted.load(); });
          }
          report(false, "{}");
        },
        false));
    control->LoadURL(site.Url("/bad"));
    ASSERT_TRUE(WaitFor([&] { return records.Has(1) && records.Has(2) && records.Has(3) && records.Has(4); }, 90000));
    WaitFor(200);
    EXPECT_TRUE(records.Of(1).has_error);
    EXPECT_EQ(records.Of(1).json, "{\"message\":\"Text too long.\"}");
    EXPECT_TRUE(records.Of(2).has_error);
    EXPECT_EQ(records.Of(2).json, "{\"message\":\"Text too long.\"}");
    // A real page parses any depth; the stand-in's parser stops early.
    if (real()) {
      EXPECT_FALSE(records.Of(3).has_error);
      EXPECT_EQ(records.Of(3).json, std::to_string(kDepth));
    } else {
      EXPECT_TRUE(records.Of(3).has_error);
      EXPECT_EQ(records.Of(3).json, "{\"message\":\"Result is not valid JSON.\"}");
    }
    EXPECT_EQ(records.Of(4).json, std::to_string(kFlood));
    EXPECT_EQ(counted.load(), kFlood);
    // The UI thread's own task posted as the flood began has run. The flood's
    // calls may all be queued before it on either engine now that calls on
    // the real one reach the renderer straight from the protocol; window
    // messages keep their turn between the tasks all the same.
    EXPECT_GE(counted_at_probe.load(), 1);

    // A page that closes itself with a call out: the late answer goes
    // nowhere and the client goes on.
    if (!real()) return;
    ASSERT_TRUE(control->RegisterNativeFunction(
        L"Keep", [&kept](const std::string&, CefJSBridge::ReportResult report) { kept = report; }, false));
    site.Page("/closing", Html("<script>QivCefWebInstance.call('Keep', T.cb(5)); setTimeout(() => close(), 50);</script>"));
    control->LoadURL(site.Url("/closing"));
    ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(kept); }));
    WaitFor(500);
    kept(false, "{}");
    bool ran = false;
    qbase::ThreadRegistry::PostTask(qbase::UiThreadId, [&ran] { ran = true; });
    ASSERT_TRUE(WaitFor([&] { return ran; }));
  });
}

INSTANTIATE_TEST_SUITE_P(Engines, JsBridgeOnEngines, ::testing::Values(EngineKind::kInProcess, EngineKind::kReal),
                         EngineParamName);

}  // namespace
