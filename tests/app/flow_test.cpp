// The whole client in this process: the real windows on the real UI loop of
// MainThread, the in-process engine serving a scripted portal.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "app/basic_form.h"
#include "app/cef_form.h"
#include "app/cef_game_form.h"
#include "app/main_thread.h"
#include "app/window_names.h"
#include "base/message_loop.h"
#include "base/path_util.h"
#include "browser/cef_control_base.h"
#include "browser/cef_manager.h"
#include "browser/toast.h"
#include "engine/in_process/engine_state.h"
#include "engine/in_process/page.h"
#include "program_folder.h"
#include "tests/browser/qiv_page.h"
#include "tests/browser/screen_canvas.h"
#include "tests/support/test_support.h"
#include "tests/support/ui_thread.h"
#include "ui/controls/rich_edit.h"

namespace {

using browser_test::V8ValueImpl;
using test_support::WaitFor;

constexpr wchar_t kLoginPrefix[] = L"http://www.plaxon.com/game/s/wdAccess/";
constexpr wchar_t kGameAddress[] = L"http://trnw.plaxon.com/wd/?m=game&server=7|Tarnwell%20Online|S7";

// What the scripted portal saw.
struct Portal {
  std::mutex lock;
  std::vector<std::wstring> login_loads;
  int game_loads = 0;
  browser_test::Answers answers;
};

template <typename T>
T* WindowObject(HWND hwnd) {
  return dynamic_cast<T*>(reinterpret_cast<ui::Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
}

RECT WindowRect(HWND window) {
  RECT rect = {};
  ::GetWindowRect(window, &rect);
  return rect;
}

void ClickControl(ui::Window* window, const wchar_t* name) {
  ui::Control* control = window->FindControl(name);
  ASSERT_NE(control, nullptr) << name;
  ASSERT_TRUE(WaitFor([&] { return !control->GetPos().IsEmpty(); }));
  const ui::Rect pos = control->GetPos();
  app_test::ClickAt(window->GetHWND(), (pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
}

HWND BrowserWindowOf(qiv_comp::CefControlBase* control) {
  CefRefPtr<CefBrowser> browser = control ? control->GetBrowser() : nullptr;
  return browser ? browser->GetHost()->GetWindowHandle() : nullptr;
}

// Toasts are layered: taken from the screen they would show their
// transparent margin black. They are hidden while the page is grabbed and
// blended over the picture afterwards, as a player sees them.
class ToastsAside {
 public:
  ToastsAside() : toasts_(qiv_comp::Toast::LiveToasts()) {
    for (qiv_comp::Toast* toast : toasts_) ::ShowWindow(toast->GetHWND(), SW_HIDE);
    WaitFor(100);
  }
  void BlendOnto(browser_test::ScreenCanvas& canvas) {
    for (qiv_comp::Toast* toast : toasts_) {
      ::ShowWindow(toast->GetHWND(), SW_SHOWNOACTIVATE);
      toast->PaintNow();
      canvas.Blend(*toast->GetRenderContext(), toast->GetHWND());
    }
  }

 private:
  std::vector<qiv_comp::Toast*> toasts_;
};

// The picture a player would see: the layered windows blended over the
// desktop, the windows with browsers as the screen has them.
void SaveStartWithLogin(tarnwell::BasicForm* start, tarnwell::CefForm* login) {
  RECT area = WindowRect(start->GetHWND());
  browser_test::ScreenCanvas canvas(area, 0xFF3A4450);
  ToastsAside toasts;
  start->PaintNow();
  canvas.Blend(*start->GetRenderContext(), start->GetHWND());
  if (qiv_comp::ShadowWnd* shadow = login->GetShadow()) {
    shadow->PaintNow();
    canvas.Blend(*shadow->GetRenderContext(), shadow->GetHWND());
  }
  canvas.Copy(*login->GetRenderContext(), login->GetHWND());
  if (HWND page = BrowserWindowOf(login->GetBrowserControl())) canvas.Grab(page);
  toasts.BlendOnto(canvas);
  canvas.Save(L"start_with_login.png");
}

void SaveGameWindow(tarnwell::CefGameForm* game) {
  RECT area = WindowRect(game->GetHWND());
  browser_test::ScreenCanvas canvas(area, 0xFF000000);
  ToastsAside toasts;
  game->PaintNow();
  canvas.Copy(*game->GetRenderContext(), game->GetHWND());
  if (HWND page = BrowserWindowOf(game->GetBrowserControl())) canvas.Grab(page);
  toasts.BlendOnto(canvas);
  canvas.Save(L"game_window.png");
}

// The program's UI thread, with the test walking the player's road once
// its start window is open.
class FlowMainThread : public tarnwell::MainThread {
 public:
  explicit FlowMainThread(Portal* portal) : portal_(portal) {}

 protected:
  void Init() override {
    tarnwell::MainThread::Init();
    message_loop()->PostTask([this] {
      Walk();
      // A walk that stopped half-way must not leave the loop running.
      if (::testing::Test::HasFailure()) ::PostQuitMessage(1);
    });
  }

 private:
  void Walk();
  Portal* portal_;
};

void FlowMainThread::Walk() {
  HWND start_hwnd = ::FindWindowW(tarnwell::kStartWindowName, nullptr);
  ASSERT_NE(start_hwnd, nullptr);
  auto* start = WindowObject<tarnwell::BasicForm>(start_hwnd);
  ASSERT_NE(start, nullptr);
  EXPECT_TRUE(::IsWindowVisible(start_hwnd));
  tarnwell::CefForm* login = start->login_window();
  ASSERT_NE(login, nullptr);
  HWND login_hwnd = login->GetHWND();
  wchar_t class_name[32] = {};
  ::GetClassNameW(login_hwnd, class_name, 32);
  EXPECT_STREQ(class_name, tarnwell::kLoginWindowName);
  EXPECT_EQ(::GetWindow(login_hwnd, GW_OWNER), start_hwnd);
  // Hidden until its page has loaded, already in its place.
  EXPECT_FALSE(::IsWindowVisible(login_hwnd));
  auto placed = [&] {
    RECT outer = WindowRect(start_hwnd);
    RECT own = WindowRect(login_hwnd);
    return own.left == outer.left + tarnwell::BasicForm::kLoginOffsetX &&
           own.top == outer.top + tarnwell::BasicForm::kLoginOffsetY;
  };
  EXPECT_TRUE(placed());

  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(login_hwnd) != FALSE; }));
  {
    std::lock_guard<std::mutex> guard(portal_->lock);
    ASSERT_EQ(portal_->login_loads.size(), 1u);
    const std::wstring& address = portal_->login_loads[0];
    EXPECT_EQ(address.substr(address.size() - 15), L"&uid=12&suid=ab");
  }
  EXPECT_TRUE(placed());

  // Dragging the start window takes the login window along.
  RECT before = WindowRect(start_hwnd);
  ::SetWindowPos(start_hwnd, nullptr, before.left + 37, before.top + 21, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_TRUE(placed());

  // The page shows a message through the client.
  qiv_comp::CefControlBase* login_control = login->GetBrowserControl();
  ASSERT_NE(login_control, nullptr);
  const int login_browser = login_control->GetBrowser()->GetIdentifier();
  ASSERT_TRUE(inproc::RunInPage(login_browser, [this](inproc::Page& page) {
    browser_test::QivCall(page, L"ShowMessageBox", V8ValueImpl::String(L"\u6B22\u8FCE\u56DE\u6765").get(),
                          portal_->answers.Callback(1));
  }));
  ASSERT_TRUE(WaitFor([&] { return portal_->answers.Count() == 1; }));
  EXPECT_FALSE(portal_->answers.Of(1).has_error);
  EXPECT_EQ(portal_->answers.Of(1).json, L"{\"message\":\"Success.\"}");
  std::vector<qiv_comp::Toast*> toasts = qiv_comp::Toast::LiveToasts();
  ASSERT_EQ(toasts.size(), 1u);
  auto* content = dynamic_cast<ui::RichEdit*>(toasts[0]->GetContent());
  ASSERT_NE(content, nullptr);
  EXPECT_EQ(content->GetText(), L"\"\u6B22\u8FCE\u56DE\u6765\"");
  EXPECT_EQ(::GetWindow(toasts[0]->GetHWND(), GW_OWNER), login_hwnd);
  // Only the portal's and the game's pages may call it: an advertisement in
  // the page finds no such function.
  ASSERT_TRUE(
      inproc::RunInPage(login_browser, [](inproc::Page& page) { page.AddChildFrame(L"https://ads.example/banner"); }));
  ASSERT_TRUE(WaitFor([&] { return portal_->answers.Count() == 2; }));
  EXPECT_TRUE(portal_->answers.Of(2).has_error);
  EXPECT_EQ(portal_->answers.Of(2).json, L"{\"message\":\"Function does not exist.\"}");
  EXPECT_EQ(qiv_comp::Toast::LiveToasts().size(), 1u);
  WaitFor(400);
  SaveStartWithLogin(start, login);

  // The page goes to the game: the game window opens maximised, the start
  // and login windows hide.
  ASSERT_TRUE(inproc::RunInPage(login_browser, [](inproc::Page& page) { page.Navigate(kGameAddress); }));
  ASSERT_TRUE(WaitFor([&] { return start->game_window() != nullptr && !::IsWindowVisible(start_hwnd); }));
  tarnwell::CefGameForm* game = start->game_window();
  HWND game_hwnd = game->GetHWND();
  EXPECT_TRUE(::IsWindowVisible(game_hwnd));
  EXPECT_TRUE(::IsZoomed(game_hwnd));
  EXPECT_FALSE(::IsWindowVisible(login_hwnd));
  EXPECT_EQ(login_control->GetURL().ToWString().find(kLoginPrefix), 0u) << "the login page did not go to the game";
  wchar_t title[64] = {};
  ::GetWindowTextW(game_hwnd, title, 64);
  EXPECT_STREQ(title, L"Tarnwell Online-S7");
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard<std::mutex> guard(portal_->lock);
    return portal_->game_loads == 1;
  }));
  WaitFor(150);
  SaveGameWindow(game);

  // Its close button brings the start window back with a fresh login page.
  ClickControl(game, L"btn_close");
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(game_hwnd) && ::IsWindowVisible(start_hwnd); }));
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard<std::mutex> guard(portal_->lock);
    return portal_->login_loads.size() == 2;
  }));
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(login_hwnd) != FALSE; }));
  EXPECT_TRUE(placed());

  // The start window's close button ends the program's loop.
  ClickControl(start, L"btn_close");
}

TEST(ClientFlow, FromTheStartWindowThroughTheLoginPageToTheGameAndBack) {
  // The program's folder is this test program's: its skin and config.ini.
  const std::wstring folder = qbase::ModuleDirectory();
  test_support::RemoveTree(folder + L"resources");
  ASSERT_TRUE(test_support::CopyTree(app_test::ResourcesFolder(), folder + L"resources"));
  ASSERT_TRUE(app_test::WriteBytes(folder + L"config.ini", "[trnw]\r\nuid=12\r\nfilename=ab\r\n"));

  Portal portal;
  inproc::RegisterPagePrefix(kLoginPrefix, [&portal](inproc::Page& page) {
    {
      std::lock_guard<std::mutex> guard(portal.lock);
      portal.login_loads.push_back(page.url());
    }
    // A login form, as far as rectangles make one.
    page.SetBackgroundColor(0xFFF4F1EC);
    page.PaintRect(CefRect(40, 40, 298, 34), 0xFFFFFFFF);
    page.PaintRect(CefRect(40, 90, 298, 34), 0xFFFFFFFF);
    page.PaintRect(CefRect(40, 150, 298, 40), 0xFFB9822F);
  });
  inproc::RegisterPage(L"https://ads.example/banner", [&portal](inproc::Page& page) {
    browser_test::QivCall(page, L"ShowMessageBox", V8ValueImpl::String(L"buy now").get(), portal.answers.Callback(2));
  });
  inproc::RegisterPagePrefix(L"http://trnw.plaxon.com/wd/", [&portal](inproc::Page& page) {
    std::lock_guard<std::mutex> guard(portal.lock);
    ++portal.game_loads;
    page.SetBackgroundColor(0xFF2B3A55);
    page.PaintRect(CefRect(0, 0, 4000, 60), 0xFF1A2233);
  });

  CefSettings settings;
  qiv_comp::CefManager* manager = qiv_comp::CefManager::Instance();
  ASSERT_TRUE(manager->Initialize(test_support::TempFolder(L"app_tests", L"flow") + L"cef_temp\\", settings, false));
  {
    FlowMainThread main_thread(&portal);
    main_thread.RunOnCurrentThreadWithLoop(qbase::LoopKind::kUI);
  }
  manager->Shutdown();
  EXPECT_EQ(inproc::LiveBrowserCount(), 0);
  inproc::ClearPages();
  // The closes reached a loop that had ended; the count starts afresh.
  while (manager->GetBrowserCount() > 0) manager->DecrementBrowserCount();
  test_support::RemoveTree(folder + L"resources");
  ::DeleteFileW((folder + L"config.ini").c_str());
}

}  // namespace
