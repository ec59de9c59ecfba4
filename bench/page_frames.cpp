// Pictures of a real page in a native browser window of the real engine: the
// frames per second presented in a 1280 x 800 window while the page animates
// a full-window canvas with requestAnimationFrame, against the frames the
// page itself drew in the same period; and the time from a click inside the
// window to the first presented picture that shows the page's answer to it,
// split into the browser's share (until the picture's message is read) and
// the client's (decoding and drawing it).

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/path_util.h"
#include "base/string_conversions.h"
#include "bench/bench_support.h"
#include "engine/engine_selection.h"
#include "engine/remote/frame_decoder.h"
#include "engine/remote/remote_engine.h"
#include "engine/remote/remote_engine_state.h"
#include "include/cef_client.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/test_support.h"
#include "tests/support/window_capture.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr double kMeasureSeconds = 5.0;
constexpr int kClicks = 20;
// The page answers a click by painting this, a colour its animation never shows.
constexpr uint32_t kAnswerColor = 0x00FF00;

const char kPage[] = R"HTML(<!doctype html>
<html><head><style>html, body { margin: 0; overflow: hidden; } canvas { display: block; }</style></head>
<body><canvas id="c" width="1280" height="800"></canvas>
<script>
  window.frames_drawn = 0;
  let answering = false;
  const context = document.getElementById('c').getContext('2d');
  addEventListener('mousedown', () => { answering = !answering; });
  function draw(now) {
    ++window.frames_drawn;
    if (answering) {
      context.fillStyle = 'rgb(0, 255, 0)';
      context.fillRect(0, 0, 1280, 800);
    } else {
      const phase = (now / 1000) % 1;
      context.fillStyle = 'rgb(' + Math.round(80 + 175 * phase) + ', 0, ' + Math.round(255 - 175 * phase) + ')';
      context.fillRect(0, 0, 1280, 800);
      context.fillStyle = 'white';
      context.fillRect((now / 4) % 1280, 300, 60, 200);
    }
    requestAnimationFrame(draw);
  }
  requestAnimationFrame(draw);
</script></body></html>)HTML";

class Client : public CefClient, public CefLifeSpanHandler, public CefLoadHandler {
 public:
  CefRefPtr<CefBrowser> browser;
  bool loaded = false;
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  void OnAfterCreated(CefRefPtr<CefBrowser> created) override { browser = created; }
  void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, int) override {
    if (frame->IsMain()) loaded = true;
  }
  IMPLEMENT_REFCOUNTING(Client);
};

HWND MakeParent() {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = ::DefWindowProcW;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"PageFramesBench";
  ::RegisterClassExW(&window_class);
  RECT frame = {0, 0, kWidth, kHeight};
  ::AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window = ::CreateWindowExW(0, L"PageFramesBench", L"page frames", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
  ::ShowWindow(window, SW_SHOW);
  return window;
}

double FramesDrawn(CefRefPtr<CefBrowser> browser) {
  return std::atof(qbase::UTF16ToUTF8(remote::EvaluateInPage(browser, L"window.frames_drawn")).c_str());
}

constexpr int kProbeX = kWidth / 2;
constexpr int kProbeY = 100;

// One pixel of what the screen shows of the window, read cheaply enough to
// poll.
bool Answering(HWND view) {
  uint32_t rgb = 0;
  return test_support::ScreenPixelAt(view, kProbeX, kProbeY, &rgb) && test_support::ColorNear(rgb, kAnswerColor, 40);
}

bool ShowsAnswer(const remote::PageFrame& frame) {
  if (frame.width <= kProbeX || frame.height <= kProbeY) return false;
  const uint8_t* bgra = frame.pixels.data() + (static_cast<size_t>(kProbeY) * frame.width + kProbeX) * 4;
  return test_support::ColorNear((bgra[2] << 16) | (bgra[1] << 8) | bgra[0], kAnswerColor, 40);
}

void Click(HWND view) {
  LPARAM position = MAKELPARAM(kProbeX, kProbeY);
  ::PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, position);
  ::PostMessageW(view, WM_LBUTTONUP, 0, position);
}

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t index = static_cast<size_t>(share * (values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

}  // namespace

int main() {
  test_support::LoopbackHttpServer server;
  if (!server.Start()) return 1;
  server.Page("/animation", kPage);
  std::wstring folder = test_support::TempFolder(L"tarnwell_bench", L"page_frames");
  qbase::CreateDirectories(folder);
  CefSettings settings;
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.cache_path = folder + L"CefLocalStorage";
  settings.log_file = folder + L"cef.log";
  engine::EngineConfig config;
  config.browser = L"/usr/bin/chromium";
  engine::ForceEngine(engine::EngineKind::kReal, config);
  if (!CefInitialize(CefMainArgs(::GetModuleHandleW(nullptr)), settings, nullptr, nullptr)) return 2;

  HWND parent = MakeParent();
  CefWindowInfo info;
  info.parent_window = parent;
  info.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  info.width = kWidth;
  info.height = kHeight;
  CefRefPtr<Client> client = new Client();
  CefBrowserHost::CreateBrowser(info, client.get(), server.WideUrl("/animation"), CefBrowserSettings(), nullptr,
                                nullptr);
  if (!test_support::PumpUntil([&] { return client->loaded; }, 30000)) return 3;
  HWND view = client->browser->GetHost()->GetWindowHandle();
  test_support::PumpUntil([] { return false; }, 1500);

  // Frames presented against frames drawn, over the same period.
  remote::FrameSink::Counts before = remote::FrameCounts(client->browser);
  double drawn_before = FramesDrawn(client->browser);
  double started = bench::NowSeconds();
  test_support::PumpUntil([] { return false; }, static_cast<DWORD>(kMeasureSeconds * 1000));
  remote::FrameSink::Counts after = remote::FrameCounts(client->browser);
  double drawn_after = FramesDrawn(client->browser);
  double elapsed = bench::NowSeconds() - started;
  double presented = (after.presented - before.presented) / elapsed;
  double drawn = (drawn_after - drawn_before) / elapsed;
  double received = (after.received - before.received) / elapsed;

  // Click to the first presented picture of the answer, watched every
  // millisecond. The picture drawn carries when its message was read, which
  // splits the time into the browser's share and the client's.
  std::shared_ptr<remote::ViewSurface> surface = remote::ViewSurfaceOf(client->browser);
  std::vector<double> latencies;
  std::vector<double> browser_shares;
  std::vector<double> client_shares;
  for (int i = 0; i < kClicks && surface; ++i) {
    if (Answering(view)) {
      Click(view);
      test_support::PumpUntil([&] { return !Answering(view); }, 5000);
    }
    std::shared_ptr<const remote::PageFrame> answer;
    auto seen = [&] {
      std::shared_ptr<const remote::PageFrame> shown = surface->frame();
      if (!answer && shown && ShowsAnswer(*shown)) answer = shown;
      return Answering(view);
    };
    double clicked = bench::NowMilliseconds();
    Click(view);
    if (test_support::PumpUntil(seen, 5000, 1)) {
      double now = bench::NowMilliseconds();
      latencies.push_back(now - clicked);
      if (answer) {
        double received = bench::CounterSeconds(answer->received_at) * 1000.0;
        browser_shares.push_back(received - clicked);
        client_shares.push_back(now - received);
      }
    }
    Click(view);
    test_support::PumpUntil([&] { return !Answering(view); }, 5000);
  }

  // What one picture of this size costs to decode here, which bounds the
  // frames a window can show.
  std::string picture = qbase::UTF16ToUTF8(remote::EvaluateInPage(
      client->browser, L"document.getElementById('c').toDataURL('image/jpeg', 0.8).split(',')[1]"));
  std::vector<double> decodes;
  remote::FrameDecoder decoder;
  for (int i = 0; i < 20 && !picture.empty(); ++i) {
    remote::PageFrame frame;
    double start = bench::NowMilliseconds();
    if (decoder.Decode(picture, &frame)) decodes.push_back(bench::NowMilliseconds() - start);
  }

  CefShutdown();
  ::DestroyWindow(parent);
  // The same picture with the browser gone: what decoding costs when it
  // does not share the two cores with the browser's drawing and encoding.
  std::vector<double> idle_decodes;
  for (int i = 0; i < 20 && !picture.empty(); ++i) {
    remote::PageFrame frame;
    double start = bench::NowMilliseconds();
    if (decoder.Decode(picture, &frame)) idle_decodes.push_back(bench::NowMilliseconds() - start);
  }
  std::printf("page_frames_presented: %.1f fps\n", presented);
  std::printf("page_frames_drawn_by_page: %.1f fps\n", drawn);
  std::printf("page_frames_received_from_browser: %.1f fps\n", received);
  std::printf("page_frames_click_to_frame_median: %.1f ms\n", bench::Median(latencies));
  std::printf("page_frames_click_to_frame_p99: %.1f ms\n", Percentile(latencies, 0.99));
  std::printf("page_frames_click_to_answer_received_median: %.1f ms\n", bench::Median(browser_shares));
  std::printf("page_frames_answer_received_to_shown_median: %.1f ms\n", bench::Median(client_shares));
  std::printf("page_frames_clicks_answered: %zu of %d\n", latencies.size(), kClicks);
  std::printf("page_frames_decode_one_picture_median: %.1f ms\n", bench::Median(decodes));
  std::printf("page_frames_decode_one_picture_browser_gone_median: %.1f ms\n", bench::Median(idle_decodes));
  std::printf("page_frames_presented_share_of_drawn: %.1f %%\n", drawn > 0 ? 100.0 * presented / drawn : 0.0);
  return 0;
}
