#include <gtest/gtest.h>

#include "engine/remote/remote_engine_state.h"
#include "engine_test_support.h"
#include "tests/support/window_capture.h"

using namespace engine_test;
using test_support::CaptureWindow;
using test_support::ColorNear;
using test_support::LoopbackHttpServer;

namespace {

class TestWindow {
 public:
  TestWindow(int width, int height) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = ::DefWindowProcW;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = L"RemoteEngineTestWindow";
    ::RegisterClassExW(&window_class);
    window_ = ::CreateWindowExW(0, L"RemoteEngineTestWindow", L"real window", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20,
                                20, width, height, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::ShowWindow(window_, SW_SHOW);
  }
  ~TestWindow() {
    if (::IsWindow(window_)) ::DestroyWindow(window_);
  }
  HWND get() const { return window_; }

 private:
  HWND window_;
};

const char kPage[] = R"HTML(<!doctype html>
<html><head><title>ready</title><style>
  html, body { margin: 0; height: 100%; }
  body { background: rgb(0, 128, 255); }
  input { position: absolute; left: 10px; top: 200px; width: 200px; font-size: 20px; }
</style></head>
<body>
<input id="field">
<script>
  const report = (text) => { document.title = text; };
  document.body.addEventListener('mousedown', (event) => {
    if (event.target.id === 'field') return;
    document.body.style.background = 'rgb(255, 64, 0)';
    report('clicked ' + event.clientX + ',' + event.clientY);
  });
  document.getElementById('field').addEventListener('input', (event) => report('typed ' + event.target.value));
  addEventListener('resize', () => report('size ' + innerWidth + 'x' + innerHeight));
</script>
</body></html>)HTML";

// The colour the browser window shows at a point, once it is the one given.
bool WaitForColor(HWND view, int x, int y, uint32_t color, DWORD timeout_ms = 10000) {
  return PumpUntil([&] { return ColorNear(CaptureWindow(view).At(x, y), color); }, timeout_ms);
}

void Click(HWND view, int x, int y) {
  LPARAM position = MAKELPARAM(x, y);
  ::PostMessageW(view, WM_MOUSEMOVE, 0, position);
  ::PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, position);
  ::PostMessageW(view, WM_LBUTTONUP, 0, position);
}

// Characters as the keyboard's translation delivers them; keys that type
// nothing come as key messages (whose translation types nothing either).
void Type(HWND view, const std::wstring& text) {
  for (wchar_t character : text) ::PostMessageW(view, WM_CHAR, character, 1);
}

// How often the page has reported this title so far.
int TitleCount(TestClient& client, const std::wstring& title) {
  int count = 0;
  for (const Journal::Entry& entry : client.journal.Find("title")) count += entry.text == title ? 1 : 0;
  return count;
}

void PressKey(HWND view, UINT virtual_key) {
  ::PostMessageW(view, WM_KEYDOWN, virtual_key, 1);
  ::PostMessageW(view, WM_KEYUP, virtual_key, 0xC0000001);
}

TEST(RemoteWindow, ANativeBrowserShowsThePageAndTakesMouseKeysAndResizes) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/window", kPage);
  EngineScope engine(EngineKind::kReal, nullptr, L"window");
  ASSERT_TRUE(engine.started());
  TestWindow parent(700, 520);
  ASSERT_TRUE(parent.get());

  CefWindowInfo info;
  info.parent_window = parent.get();
  info.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP;
  info.x = 10;
  info.y = 10;
  info.width = 400;
  info.height = 300;
  CefRefPtr<TestClient> client = new TestClient();
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, info, server.WideUrl("/window"));
  ASSERT_TRUE(browser);
  HWND view = browser->GetHost()->GetWindowHandle();
  ASSERT_TRUE(::IsWindow(view));
  EXPECT_EQ(::GetParent(view), parent.get());
  EXPECT_EQ(::GetWindowThreadProcessId(view, nullptr), remote::EngineUiThreadId());
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("load-end"); }, 20000));

  // The page's own colour, read back from the child window.
  ASSERT_TRUE(WaitForColor(view, 300, 100, 0x0080FF));
  test_support::SaveWindowScreenshot(parent.get(), L"remote_engine_window_page.png");

  // A click inside the window reaches the page where it was made.
  Click(view, 300, 100);
  EXPECT_TRUE(WaitForTitle(*client, L"clicked 300,100"));
  EXPECT_TRUE(WaitForColor(view, 300, 100, 0xFF4000));

  // Typed characters arrive in the text field it clicked into.
  Click(view, 60, 212);
  Type(view, L"Hi there!");
  EXPECT_TRUE(WaitForTitle(*client, L"typed Hi there!"));
  // The page showed this title once already while the text was typed:
  // the wait is for the backspace's own report of it, after which the
  // character its translation posts is behind it in the window's queue.
  const int typed_before = TitleCount(*client, L"typed Hi there");
  PressKey(view, VK_BACK);
  EXPECT_TRUE(PumpUntil([&] { return TitleCount(*client, L"typed Hi there") > typed_before; }, 15000));
  // Text that no key makes, as an input method finishes it, arrives whole.
  ::PostMessageW(view, WM_CHAR, 0xD83D, 1);
  ::PostMessageW(view, WM_CHAR, 0xDE00, 1);
  EXPECT_TRUE(WaitForTitle(*client, L"typed Hi there\U0001F600"));
  test_support::SaveWindowScreenshot(parent.get(), L"remote_engine_window_typed.png");

  // The page's viewport follows the child window's size.
  ::SetWindowPos(view, nullptr, 0, 0, 520, 360, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitForTitle(*client, L"size 520x360"));
  EXPECT_TRUE(WaitForColor(view, 500, 340, 0xFF4000));

  browser->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Has("before-close"); }));
  EXPECT_FALSE(::IsWindow(view));
}

TEST(RemoteWindow, WindowlessBrowsersPaintBgraFramesOfTheViewSize) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.Page("/colour", "<body style='margin:0;background:rgb(51,102,153)'></body>");
  EngineScope engine(EngineKind::kReal, nullptr, L"windowless");
  CefRefPtr<TestClient> client = new TestClient();
  client->windowless_view = true;
  client->view_rect = CefRect(0, 0, 120, 90);
  CefRefPtr<CefBrowser> browser = CreateBrowserAndWait(client, WindowlessInfo(), server.WideUrl("/colour"));
  ASSERT_TRUE(browser);
  auto painted = [&](int width, int height) {
    std::lock_guard<std::mutex> guard(client->lock);
    if (client->frame_width != width || client->frame_height != height) return false;
    if (client->last_frame.size() != static_cast<size_t>(width) * height * 4) return false;
    const uint8_t* last = &client->last_frame[client->last_frame.size() - 4];
    uint32_t first = client->last_frame[0] | client->last_frame[1] << 8 | client->last_frame[2] << 16;
    uint32_t end = last[0] | last[1] << 8 | last[2] << 16;
    return ColorNear(first, 0x336699) && ColorNear(end, 0x336699) && last[3] == 0xFF;
  };
  ASSERT_TRUE(PumpUntil([&] { return painted(120, 90); }, 20000));
  for (const Journal::Entry& entry : client->journal.Find("paint")) {
    EXPECT_EQ(entry.thread, remote::EngineUiThreadId());
  }

  // Hidden, it paints nothing; shown again at another size, it paints that.
  browser->GetHost()->WasHidden(true);
  PumpFor(300);
  int paints = client->journal.Count("paint");
  browser->GetMainFrame()->LoadURL(server.WideUrl("/colour?again"));
  ASSERT_TRUE(PumpUntil([&] { return client->journal.Count("load-end") == 2; }));
  PumpFor(300);
  EXPECT_EQ(client->journal.Count("paint"), paints);
  {
    std::lock_guard<std::mutex> guard(client->lock);
    client->view_rect = CefRect(0, 0, 60, 40);
  }
  browser->GetHost()->WasHidden(false);
  ASSERT_TRUE(PumpUntil([&] { return painted(60, 40); }));

  // Off-screen input reaches the page as it does from a window.
  EXPECT_EQ(remote::EvaluateInPage(browser,
                                   L"addEventListener('mousedown', e => document.title = 'down ' + "
                                   L"e.button + ' ' + e.clientX); 'ok'"),
            L"ok");
  CefMouseEvent mouse;
  mouse.x = 30;
  mouse.y = 20;
  browser->GetHost()->SendMouseClickEvent(mouse, MBT_RIGHT, false, 1);
  browser->GetHost()->SendMouseClickEvent(mouse, MBT_RIGHT, true, 1);
  EXPECT_TRUE(WaitForTitle(*client, L"down 2 30"));
}

}  // namespace
