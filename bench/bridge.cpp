// Round trips from a page through the JavaScript bridge to a native function
// and back, against a bare process-message ping-pong between the renderer
// and the browser process of the same engine, interleaved in one process.
// The bridge's route has a third hop the ping-pong lacks: native functions
// run on the application's UI thread, not the engine's. A relay over the
// same three threads, without the bridge, shows what that hop costs.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/framework_thread.h"
#include "base/message_loop.h"
#include "base/path_util.h"
#include "base/thread_registry.h"
#include "bench/bench_support.h"
#include "browser/cef_control.h"
#include "browser/cef_manager.h"
#include "browser/client_app.h"
#include "engine/in_process/engine_state.h"
#include "engine/in_process/page.h"
#include "engine/in_process/v8_value_impl.h"
#include "engine/remote/remote_engine_state.h"
#include "tests/support/engine_choice.h"
#include "tests/support/loopback_http_server.h"

namespace {

using inproc::V8ValueImpl;

constexpr int kRounds = 5;
constexpr int kTripsPerRound = 2000;

// One round's round trips, timed on the renderer's thread.
struct Round {
  std::mutex lock;
  std::vector<double> latencies_us;
  double started = 0;
  double finished = 0;
  std::atomic<bool> done{false};

  void Reset() {
    std::lock_guard<std::mutex> guard(lock);
    latencies_us.clear();
    started = finished = 0;
    done = false;
  }
};

Round g_round;
double g_sent_at = 0;

// Starts the next trip or ends the round; renderer thread.
bool NextTrip() {
  const double now = bench::NowSeconds();
  std::lock_guard<std::mutex> guard(g_round.lock);
  if (g_sent_at > 0) g_round.latencies_us.push_back((now - g_sent_at) * 1e6);
  if (static_cast<int>(g_round.latencies_us.size()) >= kTripsPerRound) {
    g_round.finished = now;
    g_round.done = true;
    return false;
  }
  if (g_round.started == 0) g_round.started = now;
  g_sent_at = bench::NowSeconds();
  return true;
}

// Which message the renderer sends: "ping" for the two-hop baseline,
// "relay" for the three-hop one.
std::atomic<bool> g_relay{false};

void SendPing(CefRefPtr<CefFrame> frame) {
  if (NextTrip()) frame->SendProcessMessage(PID_BROWSER, CefProcessMessage::Create(g_relay ? "relay" : "ping"));
}

// The renderer's application: the program's own, which also answers the
// baseline's "pong".
class BenchRendererApp : public CefApp, public CefRenderProcessHandler {
 public:
  BenchRendererApp() : inner_(new qiv_comp::ClientApp()) {}
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnWebKitInitialized() override { inner_->OnWebKitInitialized(); }
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDictionaryValue> extra) override {
    inner_->OnBrowserCreated(browser, extra);
  }
  void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override {
    inner_->OnContextReleased(browser, frame, context);
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    if (message->GetName() == "pong") {
      SendPing(frame);
      return true;
    }
    return inner_->OnProcessMessageReceived(browser, frame, source, message);
  }

 private:
  CefRefPtr<qiv_comp::ClientApp> inner_;
  IMPLEMENT_REFCOUNTING(BenchRendererApp);
};

// The baseline's browser side: answers each ping at once, on the engine's thread.
class PongClient : public CefClient, public CefLifeSpanHandler {
 public:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override { browser_id = browser->GetIdentifier(); }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, CefProcessId,
                                CefRefPtr<CefProcessMessage> message) override {
    const std::string name = message->GetName().ToString();
    if (name == "ping") {
      browser->GetMainFrame()->SendProcessMessage(PID_RENDERER, CefProcessMessage::Create("pong"));
      return true;
    }
    if (name == "relay") {
      // The bridge's route without the bridge: on to the application's UI
      // thread, which answers the renderer straight from there.
      CefRefPtr<CefFrame> main_frame = browser->GetMainFrame();
      qbase::ThreadRegistry::PostTask(qbase::UiThreadId, [main_frame] {
        main_frame->SendProcessMessage(PID_RENDERER, CefProcessMessage::Create("pong"));
      });
      return true;
    }
    return false;
  }
  std::atomic<int> browser_id{0};

 private:
  IMPLEMENT_REFCOUNTING(PongClient);
};

// What QivCefWebInstance.call does with a value and a callback.
void BridgeCall(inproc::Page& page) {
  if (!NextTrip()) return;
  CefRefPtr<CefV8Value> callback = V8ValueImpl::Function(L"cb", [&page](const CefV8ValueList&) { BridgeCall(page); });
  page.CallNative(L"call", {V8ValueImpl::String(L"Echo").get(), V8ValueImpl::String(L"{\"n\":1}").get(), callback});
}

bool RunUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  qbase::MessageLoop* loop = qbase::MessageLoop::Current();
  const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  while (!condition()) {
    if (::GetTickCount64() > deadline) return false;
    loop->PostDelayedTask([loop] { loop->QuitWhenIdle(); }, 2000);
    loop->RunNested();
  }
  return true;
}

struct Figures {
  std::vector<double> latencies_us;
  std::vector<double> trips_per_second;
};

bool RunRound(const std::function<void()>& start, Figures* figures) {
  g_round.Reset();
  g_sent_at = 0;
  start();
  if (!RunUntil([] { return g_round.done.load(); }, 60000)) return false;
  std::lock_guard<std::mutex> guard(g_round.lock);
  figures->latencies_us.insert(figures->latencies_us.end(), g_round.latencies_us.begin(), g_round.latencies_us.end());
  figures->trips_per_second.push_back(kTripsPerRound / (g_round.finished - g_round.started));
  return true;
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()))];
}

void Print(const char* name, const Figures& figures) {
  std::printf("%s_round_trips: %.0f per_s\n", name, bench::Median(figures.trips_per_second));
  std::printf("%s_latency_median: %.1f us\n", name, bench::Median(figures.latencies_us));
  std::printf("%s_latency_p99: %.1f us\n", name, Percentile(figures.latencies_us, 0.99));
}

// The page's own round trips: each call's time from the call to its
// callback, the next call made from the callback.
const char kBridgePage[] = R"(<!doctype html><script>
window.runBridge = (count) => new Promise((resolve) => {
  const times = [];
  const begun = performance.now();
  let sent = begun;
  const next = () => QivCefWebInstance.call('Echo', {n: 1}, () => {
    const now = performance.now();
    times.push((now - sent) * 1000);
    if (times.length >= count) return resolve(JSON.stringify({times, seconds: (now - begun) / 1000}));
    sent = performance.now();
    next();
  });
  next();
});
</script>)";

// Runs |work| on a thread of its own while the UI thread goes on with its tasks.
template <typename Work>
bool OffTheUiThread(Work work) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
  });
  bool finished = RunUntil([&] { return done.load(); }, 120000);
  worker.join();
  return finished;
}

// A page's call through the bridge on the real engine, answered by a native
// function, against a bare protocol round trip to the same page.
int RunRealEngine(std::vector<std::string>* ratios) {
  if (test_support::TestBrowserProgram().empty()) {
    std::printf("real_engine: skipped, no browser program\n");
    return 0;
  }
  test_support::LoopbackHttpServer server;
  if (!server.Start()) return 1;
  // Cross-origin isolated, the page's clock reads in steps of microseconds
  // rather than of 100.
  test_support::LoopbackHttpServer::Response isolated;
  isolated.body = kBridgePage;
  isolated.headers = {{"Cross-Origin-Opener-Policy", "same-origin"}, {"Cross-Origin-Embedder-Policy", "require-corp"}};
  server.Route("/bridge", isolated);
  test_support::UseEngine(test_support::EngineKind::kReal);
  CefSettings settings;
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  if (!qiv_comp::CefManager::Instance()->Initialize(std::wstring(temp) + L"tarnwell_bench_bridge_real\\", settings,
                                                    true)) {
    return 1;
  }
  auto control = std::make_unique<qiv_comp::CefControl>();
  control->Init();
  if (!RunUntil([&] { return control->GetBrowser() != nullptr; }, 30000)) return 1;
  control->RegisterNativeFunction(
      L"Echo", [](const std::string& params, qiv_comp::CefJSBridge::ReportResult report) { report(false, params); },
      false);
  control->LoadURL(server.WideUrl("/bridge"));
  CefRefPtr<CefBrowser> browser = control->GetBrowser();
  bool ready = false;
  OffTheUiThread([&] {
    for (int i = 0; i < 300 && !ready; ++i) {
      ready = remote::EvaluateInPage(browser, L"typeof runBridge") == L"function";
      if (!ready) ::Sleep(100);
    }
  });
  if (!ready) return 1;

  constexpr int kRealTrips = 500;
  Figures bridge;
  Figures bare;
  auto bridge_round = [&] {
    std::wstring text;
    OffTheUiThread(
        [&] { text = remote::EvaluateInPage(browser, L"runBridge(" + std::to_wstring(kRealTrips) + L")", 120000); });
    // {"times":[...],"seconds":s}
    size_t open = text.find(L'[');
    size_t close = text.find(L']');
    size_t seconds_at = text.find(L"\"seconds\":");
    if (open == std::wstring::npos || close == std::wstring::npos || seconds_at == std::wstring::npos) return false;
    std::wstring list = text.substr(open + 1, close - open - 1);
    for (size_t at = 0; at < list.size();) {
      size_t comma = list.find(L',', at);
      bridge.latencies_us.push_back(std::wcstod(list.substr(at, comma - at).c_str(), nullptr));
      at = comma == std::wstring::npos ? list.size() : comma + 1;
    }
    bridge.trips_per_second.push_back(kRealTrips / std::wcstod(text.c_str() + seconds_at + 10, nullptr));
    return true;
  };
  auto bare_round = [&] {
    std::vector<double> times;
    OffTheUiThread([&] { times = remote::TimeConstantEvaluations(browser, kRealTrips); });
    if (times.empty()) return false;
    double total = 0;
    for (double time : times) total += time;
    bare.latencies_us.insert(bare.latencies_us.end(), times.begin(), times.end());
    bare.trips_per_second.push_back(kRealTrips / (total / 1e6));
    return true;
  };
  // A warm-up of each, then the rounds alternating.
  bool ok = bridge_round() && bare_round();
  bridge = Figures();
  bare = Figures();
  for (int round = 0; ok && round < kRounds; ++round) ok = bridge_round() && bare_round();
  control.reset();
  qiv_comp::CefManager::Instance()->Shutdown();
  RunUntil([] { return qiv_comp::CefManager::Instance()->GetBrowserCount() <= 0; }, 5000);
  test_support::UseEngine(test_support::EngineKind::kInProcess);
  if (!ok) return 1;
  Print("real_bridge", bridge);
  Print("real_bare_protocol", bare);
  char line[160];
  std::snprintf(line, sizeof(line), "ratio_latency_median_real_bridge_to_bare_protocol: %.2f x",
                bench::Median(bridge.latencies_us) / bench::Median(bare.latencies_us));
  ratios->push_back(line);
  std::snprintf(line, sizeof(line), "ratio_latency_p99_real_bridge_to_bare_protocol: %.2f x",
                Percentile(bridge.latencies_us, 0.99) / Percentile(bare.latencies_us, 0.99));
  ratios->push_back(line);
  return 0;
}

int RunBenchmark() {
  CefSettings settings;
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  if (!qiv_comp::CefManager::Instance()->Initialize(std::wstring(temp) + L"tarnwell_bench_bridge\\", settings, true))
    return 1;
  CefSetSubProcessEntry(
      [](const CefMainArgs& args) { return CefExecuteProcess(args, new BenchRendererApp(), nullptr); });

  inproc::RegisterPage(L"https://bench.test/bridge", [](inproc::Page& page) {});
  inproc::RegisterPage(L"https://bench.test/ping", [](inproc::Page& page) {});

  // The bridge's side: the program's off-screen browser control, without a window.
  auto control = std::make_unique<qiv_comp::CefControl>();
  control->Init();
  CefRefPtr<PongClient> pong = new PongClient();
  CefWindowInfo windowless;
  windowless.windowless_rendering_enabled = 1;
  CefBrowserHost::CreateBrowser(windowless, pong.get(), L"https://bench.test/ping", CefBrowserSettings(), nullptr,
                                nullptr);
  if (!RunUntil([&] { return control->GetBrowser() != nullptr && pong->browser_id != 0; }, 10000)) return 1;
  control->RegisterNativeFunction(
      L"Echo", [](const std::string& params, qiv_comp::CefJSBridge::ReportResult report) { report(false, params); },
      false);
  control->LoadURL(L"https://bench.test/bridge");
  ::Sleep(200);
  RunUntil([] { return false; }, 300);
  const int bridge_id = control->GetBrowser()->GetIdentifier();
  const int ping_id = pong->browser_id;

  Figures bridge;
  Figures ping_pong;
  Figures relay;
  auto start_bridge = [bridge_id] { inproc::RunInPage(bridge_id, [](inproc::Page& page) { BridgeCall(page); }); };
  auto start_ping = [ping_id](bool through_ui) {
    return [ping_id, through_ui] {
      g_relay = through_ui;
      inproc::RunInPage(ping_id, [](inproc::Page& page) { SendPing(page.frame()); });
    };
  };
  auto all_rounds = [&] {
    return RunRound(start_ping(false), &ping_pong) && RunRound(start_ping(true), &relay) &&
           RunRound(start_bridge, &bridge);
  };
  // A warm-up of each, then the rounds alternating.
  if (!all_rounds()) return 1;
  bridge = Figures();
  ping_pong = Figures();
  relay = Figures();
  for (int round = 0; round < kRounds; ++round) {
    if (!all_rounds()) return 1;
  }
  control.reset();
  qiv_comp::CefManager::Instance()->Shutdown();
  RunUntil([] { return qiv_comp::CefManager::Instance()->GetBrowserCount() <= 0; }, 2000);

  Print("bridge", bridge);
  Print("ping_pong", ping_pong);
  Print("relay_through_ui_thread", relay);
  // The real engine's figures follow the in-process ones; the ratios come last.
  std::vector<std::string> real_ratios;
  const int real = RunRealEngine(&real_ratios);
  auto ratio = [](const char* name, const Figures& over, const Figures& under) {
    std::printf("ratio_latency_median_%s: %.2f x\n", name,
                bench::Median(over.latencies_us) / bench::Median(under.latencies_us));
    std::printf("ratio_latency_p99_%s: %.2f x\n", name,
                Percentile(over.latencies_us, 0.99) / Percentile(under.latencies_us, 0.99));
  };
  ratio("relay_to_ping_pong", relay, ping_pong);
  ratio("bridge_to_relay", bridge, relay);
  ratio("bridge_to_ping_pong", bridge, ping_pong);
  for (const std::string& line : real_ratios) std::printf("%s\n", line.c_str());
  return real;
}

// The process's main thread as the application's UI thread.
class BenchUiThread : public qbase::FrameworkThread {
 public:
  BenchUiThread() : FrameworkThread("BenchUi") {}
  int result = 1;

 protected:
  void Init() override {
    qbase::ThreadRegistry::RegisterCurrentThread(qbase::UiThreadId);
    qbase::MessageLoop* loop = message_loop();
    loop->PostTask([this, loop] {
      result = RunBenchmark();
      loop->QuitWhenIdle();
    });
  }
  void Cleanup() override { qbase::ThreadRegistry::UnregisterCurrentThread(); }
};

}  // namespace

int main() {
  BenchUiThread thread;
  thread.RunOnCurrentThreadWithLoop(qbase::LoopKind::kUI);
  if (thread.result != 0) std::fprintf(stderr, "the benchmark could not run\n");
  return thread.result;
}
