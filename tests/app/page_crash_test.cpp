// The login and game windows when the renderer of their page dies: reloads
// up to the limit, then the message over the page and its button.
#include <gtest/gtest.h>

#include <atomic>

#include "app/cef_form.h"
#include "app/cef_game_form.h"
#include "app/page_crash_recovery.h"
#include "app/window_names.h"
#include "base/time_ticks.h"
#include "browser/cef_control_base.h"
#include "browser/cef_manager.h"
#include "engine/engine_selection.h"
#include "engine/in_process/page.h"
#include "program_folder.h"
#include "tests/browser/screen_canvas.h"
#include "tests/support/engine_choice.h"
#include "tests/support/test_site.h"
#include "tests/support/test_support.h"
#include "tests/support/ui_thread.h"
#include "tests/support/window_capture.h"
#include "ui/controls/label.h"
#include "ui/core/resource_manager.h"

namespace {

using test_support::EngineKind;
using test_support::WaitFor;
using tarnwell::PageCrashRecovery;

constexpr DWORD kLoginWindowStyle = 0x10CF0000;
constexpr DWORD kGameWindowStyle = 0x11CF0000;
constexpr int64_t kSecond = 1000 * 1000;
// The real browser's first page takes a while to come.
constexpr DWORD kLoadMs = 30000;

// The login and game pages for either engine, counting their loads.
class CrashSite {
 public:
  explicit CrashSite(EngineKind kind) : site_(kind) {}

  bool Start() {
    if (!site_.Start()) return false;
    if (site_.real()) {
      site_.Page("/login", "<html><body style='background:#f4f1ec'><h3>Login</h3></body></html>");
      site_.Page("/game", "<html><body style='background:#2b3a55'></body></html>");
      return true;
    }
    // The window appends the identity to the address; the page is the same.
    std::atomic<int>* login = &login_loads_;
    inproc::RegisterPagePrefix(site_.Url("/login"), [login](inproc::Page& page) {
      ++*login;
      page.SetBackgroundColor(0xFFF4F1EC);
      page.PaintRect(CefRect(40, 40, 298, 34), 0xFFFFFFFF);
    });
    std::atomic<int>* game = &game_loads_;
    inproc::RegisterPagePrefix(site_.Url("/game"), [game](inproc::Page& page) {
      ++*game;
      page.SetBackgroundColor(0xFF2B3A55);
    });
    return true;
  }

  bool real() const { return site_.real(); }
  std::wstring LoginAddress() const { return site_.Url("/login?from=client"); }
  std::wstring GameAddress() const { return site_.Url("/game?m=game"); }
  int LoginLoads() { return real() ? site_.Requests("/login") : login_loads_.load(); }
  int GameLoads() { return real() ? site_.Requests("/game") : game_loads_.load(); }

 private:
  test_support::TestSite site_;
  std::atomic<int> login_loads_{0};
  std::atomic<int> game_loads_{0};
};

// The engine the program starts, of the kind asked for, while the scope
// lives; from inside RunAsUiThread. It waits for every browser to go.
class ClientEngine {
 public:
  ClientEngine(EngineKind kind, const wchar_t* name) {
    test_support::UseEngine(kind);
    CefSettings settings;
    // The real engine's log keeps the protocol's traffic, for diagnosis.
    if (kind == EngineKind::kReal) settings.log_severity = LOGSEVERITY_VERBOSE;
    started_ = qiv_comp::CefManager::Instance()->Initialize(
        test_support::TempFolder(L"app_tests", name) + L"cef_temp\\", settings, false);
  }
  ~ClientEngine() {
    WaitFor([] { return test_support::LiveBrowserCount() == 0; }, 10000);
    if (started_) qiv_comp::CefManager::Instance()->Shutdown();
    WaitFor([] { return qiv_comp::CefManager::Instance()->GetBrowserCount() <= 0; }, 5000);
    engine::ClearForcedEngine();
  }
  bool started() const { return started_; }

 private:
  bool started_ = false;
};

// Stands in for the start window; visible unless a test hides it.
HWND MakeOwner() {
  return ::CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"", WS_POPUP | WS_VISIBLE, -10, -10, 1, 1, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

HWND PageWindow(qiv_comp::CefControlBase* control) {
  CefRefPtr<CefBrowser> browser = control->GetBrowser();
  return browser ? browser->GetHost()->GetWindowHandle() : nullptr;
}

int WindowWidth(HWND window) {
  RECT rect = {};
  ::GetWindowRect(window, &rect);
  return rect.right - rect.left;
}

// The page is back in its place, at the control's size.
bool PageShown(qiv_comp::CefControlBase* control) {
  HWND page = PageWindow(control);
  return control->IsVisible() && page && ::IsWindowVisible(page) && WindowWidth(page) == control->GetPos().Width();
}

bool MessageShownAlone(PageCrashRecovery& recovery, qiv_comp::CefControlBase* control) {
  // A page that has stepped aside keeps its window, at no size.
  return recovery.IsMessageShown() && !control->IsVisible() && WindowWidth(PageWindow(control)) == 0;
}

ui::Control* RetryButton(ui::Window* window) {
  ui::Control* message = window->FindControl(PageCrashRecovery::kMessageName);
  return message ? window->FindSubControlByName(message, PageCrashRecovery::kRetryButtonName) : nullptr;
}

void ClickControl(ui::Window* window, ui::Control* control) {
  ASSERT_NE(control, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !control->GetPos().IsEmpty(); }));
  const ui::Rect pos = control->GetPos();
  app_test::ClickAt(window->GetHWND(), (pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
}

// The window's own picture, saved for a look; checks that the message's
// texts and button are really drawn over the page's place.
void CheckAndSaveMessage(ui::Window* window, const wchar_t* file_name) {
  window->PaintNow();
  ui::IRenderContext* surface = window->GetRenderContext();
  ASSERT_NE(surface, nullptr);
  RECT area = {};
  ::GetWindowRect(window->GetHWND(), &area);
  browser_test::ScreenCanvas canvas(area, 0xFF000000);
  canvas.Copy(*surface, window->GetHWND());
  EXPECT_TRUE(canvas.Save(file_name));

  for (const wchar_t* name : {L"page_crashed_text", L"page_crashed_hint"}) {
    auto* label = dynamic_cast<ui::Label*>(window->FindControl(name));
    ASSERT_NE(label, nullptr) << name;
    EXPECT_FALSE(label->GetText().empty()) << name;
    EXPECT_FALSE(label->GetPos().IsEmpty()) << name;
  }
  ui::Control* retry = RetryButton(window);
  ASSERT_NE(retry, nullptr);
  const ui::Rect button = retry->GetPos();
  ASSERT_GT(button.Width(), 40);
  // Inside the button, left of its text: the gold of the skin's buttons.
  const uint32_t pixel = canvas.PixelAt(area.left + button.left + 6, area.top + (button.top + button.bottom) / 2);
  EXPECT_TRUE(test_support::ColorNear(pixel & 0xFFFFFF, 0xB9822F)) << std::hex << pixel;
}

// Whether the control's page has finished loading an address. The login
// window shows itself at every load's end, the blank page's before the
// first too, so that alone does not tell.
class LoadWatch {
 public:
  explicit LoadWatch(qiv_comp::CefControlBase* control) : control_(control) {
    std::shared_ptr<std::atomic<bool>> loading = loading_;
    control->AttachLoadingStateChange([loading](bool is_loading, bool, bool) { *loading = is_loading; });
  }
  bool Loaded(const std::wstring& address) const {
    return !*loading_ && control_->GetURL().ToWString().rfind(address, 0) == 0;
  }

 private:
  qiv_comp::CefControlBase* control_;
  std::shared_ptr<std::atomic<bool>> loading_ = std::make_shared<std::atomic<bool>>(true);
};

class PageCrash : public ::testing::TestWithParam<EngineKind> {
 protected:
  static void SetUpTestSuite() {
    ui::ResourceManager::Startup(app_test::ResourcesFolder() + L"\\", ui::ControlFactory(), L"themes\\default",
                                 L"lang\\zh_CN");
  }
  static void TearDownTestSuite() { ui::ResourceManager::Shutdown(); }
};

// Crashes the login page and waits until it has loaded again: the window,
// hidden first, shows itself at the end of every load.
bool CrashAndWaitForReload(tarnwell::CefForm* login, CrashSite& site, int loads) {
  login->ShowWindow(false, false);
  if (!test_support::CrashRenderer(login->GetBrowserControl()->GetBrowser())) return false;
  return WaitFor([&] { return site.LoginLoads() == loads && ::IsWindowVisible(login->GetHWND()); }, kLoadMs);
}

TEST_P(PageCrash, TheLoginPageReloadsThreeTimesAMinuteThenShowsTheMessageWhoseButtonTriesAgain) {
  SKIP_UNLESS_ENGINE_AVAILABLE(GetParam());
  CrashSite site(GetParam());
  ASSERT_TRUE(site.Start());
  test_support::RunAsUiThread([&] {
    ClientEngine engine(GetParam(), site.real() ? L"crash_login_real" : L"crash_login");
    ASSERT_TRUE(engine.started());
    HWND owner = MakeOwner();
    auto* login = new tarnwell::CefForm(L"12", L"ab", site.LoginAddress());
    login->SetOwnerWindow(owner);
    int64_t now = 100 * kSecond;
    login->page_crash_recovery().rate_limit().SetClock([&now] { return now; });
    HWND hwnd = login->Create(nullptr, tarnwell::kLoginWindowName, kLoginWindowStyle, 0, false, ui::Rect());
    ASSERT_NE(hwnd, nullptr);
    qiv_comp::CefControlBase* control = login->GetBrowserControl();
    ASSERT_NE(control, nullptr);
    PageCrashRecovery& recovery = login->page_crash_recovery();
    LoadWatch watch(control);
    ASSERT_TRUE(WaitFor(
        [&] { return site.LoginLoads() == 1 && ::IsWindowVisible(hwnd) && watch.Loaded(site.LoginAddress()); },
        kLoadMs));
    EXPECT_FALSE(recovery.IsMessageShown());

    // Each load succeeds, and still only three reloads come within the minute.
    for (int crash = 1; crash <= 3; ++crash) {
      ASSERT_TRUE(CrashAndWaitForReload(login, site, 1 + crash)) << "crash " << crash;
      EXPECT_FALSE(recovery.IsMessageShown()) << "crash " << crash;
      EXPECT_TRUE(PageShown(control)) << "crash " << crash;
      now += 19 * kSecond;
    }
    // Hidden as before its first load: the message must not stay unseen.
    login->ShowWindow(false, false);
    ASSERT_TRUE(test_support::CrashRenderer(control->GetBrowser()));
    ASSERT_TRUE(WaitFor([&] { return recovery.IsMessageShown(); }, kLoadMs));
    WaitFor(300);
    EXPECT_EQ(site.LoginLoads(), 4);
    EXPECT_TRUE(MessageShownAlone(recovery, control));
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    CheckAndSaveMessage(login, site.real() ? L"login_page_crashed_real.png" : L"login_page_crashed.png");

    // The button brings the page back at once, the limit notwithstanding.
    ClickControl(login, RetryButton(login));
    ASSERT_TRUE(WaitFor([&] { return site.LoginLoads() == 5 && PageShown(control); }, kLoadMs));
    EXPECT_FALSE(recovery.IsMessageShown());
    ::DestroyWindow(hwnd);
    ::DestroyWindow(owner);
  });
}

INSTANTIATE_TEST_SUITE_P(Engines, PageCrash, ::testing::Values(EngineKind::kInProcess, EngineKind::kReal),
                         [](const ::testing::TestParamInfo<EngineKind>& info) {
                           return test_support::EngineName(info.param);
                         });

class PageCrashInProcess : public PageCrash {};

TEST_F(PageCrashInProcess, TheLoginPageWaitsBehindTheGameAndTheLimitRollsWithTheMinute) {
  CrashSite site(EngineKind::kInProcess);
  ASSERT_TRUE(site.Start());
  test_support::RunAsUiThread([&] {
    ClientEngine engine(EngineKind::kInProcess, L"crash_login_rules");
    ASSERT_TRUE(engine.started());
    HWND owner = MakeOwner();
    auto* login = new tarnwell::CefForm(L"12", L"ab", site.LoginAddress());
    login->SetOwnerWindow(owner);
    int64_t now = 0;
    PageCrashRecovery& recovery = login->page_crash_recovery();
    recovery.rate_limit().SetClock([&now] { return now; });
    HWND hwnd = login->Create(nullptr, tarnwell::kLoginWindowName, kLoginWindowStyle, 0, false, ui::Rect());
    ASSERT_NE(hwnd, nullptr);
    qiv_comp::CefControlBase* control = login->GetBrowserControl();
    ASSERT_TRUE(WaitFor([&] { return site.LoginLoads() == 1 && ::IsWindowVisible(hwnd); }));

    // With the start window hidden the game is up: no reload, which would
    // show this window over the game, and no reload spent either.
    login->ShowWindow(false, false);
    ::ShowWindow(owner, SW_HIDE);
    ASSERT_TRUE(test_support::CrashRenderer(control->GetBrowser()));
    WaitFor(300);
    EXPECT_EQ(site.LoginLoads(), 1);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_FALSE(recovery.IsMessageShown());
    // Coming back, the start window refreshes the page as it always does.
    ::ShowWindow(owner, SW_SHOWNOACTIVATE);
    control->Refresh();
    ASSERT_TRUE(WaitFor([&] { return site.LoginLoads() == 2 && ::IsWindowVisible(hwnd); }));

    for (int crash = 1; crash <= 3; ++crash) {
      now = (crash - 1) * 10 * kSecond;
      ASSERT_TRUE(CrashAndWaitForReload(login, site, 2 + crash)) << "crash " << crash;
    }
    ASSERT_TRUE(test_support::CrashRenderer(control->GetBrowser()));
    ASSERT_TRUE(WaitFor([&] { return recovery.IsMessageShown(); }));
    // The caption's refresh button reloads as well; the load takes the
    // message away.
    ClickControl(login, login->FindControl(L"btn_refresh"));
    ASSERT_TRUE(WaitFor([&] { return site.LoginLoads() == 6 && !recovery.IsMessageShown() && PageShown(control); }));
    // Still the same minute: the next crash shows the message at once.
    ASSERT_TRUE(test_support::CrashRenderer(control->GetBrowser()));
    ASSERT_TRUE(WaitFor([&] { return recovery.IsMessageShown(); }));
    EXPECT_EQ(site.LoginLoads(), 6);
    ClickControl(login, RetryButton(login));
    ASSERT_TRUE(WaitFor([&] { return site.LoginLoads() == 7 && PageShown(control); }));
    // A minute after the first of the three, one reload is allowed again;
    // the other two are still inside the window.
    now = 60 * kSecond;
    ASSERT_TRUE(CrashAndWaitForReload(login, site, 8));
    EXPECT_FALSE(recovery.IsMessageShown());
    ASSERT_TRUE(test_support::CrashRenderer(control->GetBrowser()));
    ASSERT_TRUE(WaitFor([&] { return recovery.IsMessageShown(); }));
    EXPECT_EQ(site.LoginLoads(), 8);
    ::DestroyWindow(hwnd);
    ::DestroyWindow(owner);
  });
}

TEST_F(PageCrashInProcess, TheGamePageShowsTheMessageInItsWindowAndAReloadPostedForAGoneWindowIsDropped) {
  CrashSite site(EngineKind::kInProcess);
  ASSERT_TRUE(site.Start());
  test_support::RunAsUiThread([&] {
    ClientEngine engine(EngineKind::kInProcess, L"crash_game");
    ASSERT_TRUE(engine.started());
    auto* game = new tarnwell::CefGameForm(site.GameAddress());
    HWND hwnd = game->Create(nullptr, tarnwell::kGameWindowName, kGameWindowStyle, 0, false, ui::Rect());
    ASSERT_NE(hwnd, nullptr);
    qiv_comp::CefControlBase* control = game->GetBrowserControl();
    ASSERT_NE(control, nullptr);
    PageCrashRecovery& recovery = game->page_crash_recovery();
    // The game window does not show anything on a load's end; the test
    // hears the loads stop.
    std::atomic<int> stops{0};
    control->AttachLoadingStateChange([&stops](bool loading, bool, bool) {
      if (!loading) ++stops;
    });
    auto crash_and_wait = [&](int loads) {
      const int stopped = stops;
      if (!test_support::CrashRenderer(control->GetBrowser())) return false;
      return WaitFor([&] { return site.GameLoads() == loads && stops > stopped; });
    };
    ASSERT_TRUE(WaitFor([&] { return site.GameLoads() == 1 && stops > 0; }));
    for (int crash = 1; crash <= 3; ++crash) ASSERT_TRUE(crash_and_wait(1 + crash)) << "crash " << crash;
    EXPECT_FALSE(recovery.IsMessageShown());
    ASSERT_TRUE(test_support::CrashRenderer(control->GetBrowser()));
    ASSERT_TRUE(WaitFor([&] { return recovery.IsMessageShown(); }));
    WaitFor(200);
    EXPECT_EQ(site.GameLoads(), 4);
    EXPECT_TRUE(MessageShownAlone(recovery, control));
    CheckAndSaveMessage(game, L"game_page_crashed.png");

    ClickControl(game, RetryButton(game));
    ASSERT_TRUE(WaitFor([&] { return site.GameLoads() == 5 && PageShown(control) && !recovery.IsMessageShown(); }));

    // On a blank page the reload brings the game's address back instead.
    // An hour on, the reloads above have left the window.
    const int64_t later = qbase::TimeTicks::Now() + 3600 * kSecond;
    recovery.rate_limit().SetClock([later] { return later; });
    const int stopped = stops;
    control->LoadURL(L"about:blank");
    ASSERT_TRUE(WaitFor([&] { return stops > stopped && control->GetURL().ToWString() == L"about:blank"; }));
    ASSERT_TRUE(crash_and_wait(6));
    EXPECT_EQ(control->GetURL().ToWString(), site.GameAddress());

    // A crash heard just before the window goes: the reload it posts finds
    // neither window nor control, and does nothing.
    recovery.OnPageCrashed();
    ::DestroyWindow(hwnd);
    WaitFor(300);
    EXPECT_EQ(site.GameLoads(), 6);
  });
}

}  // namespace
