// The shipped program on the real engine, against the demo portal's real
// pages: the player's whole road, driven from outside as a player would.
#include <gtest/gtest.h>

#include <string>

#include "app/window_names.h"
#include "base/string_conversions.h"
#include "demo_portal.h"
#include "engine/remote/wine_paths.h"
#include "program_folder.h"
#include "tests/support/engine_choice.h"
#include "tests/support/test_support.h"
#include "tests/support/window_capture.h"

using namespace app_test;
using nlohmann::json;

namespace {

constexpr DWORD kStartTimeout = 40000;
constexpr DWORD kStepTimeout = 20000;
// From the skin: the start window's close button, 24 left of and 19 below
// the picture's top-right corner inside the 14-pixel shadow; the game
// window's, the last 36 x 30 button of its 32-pixel caption, beside the
// 1-pixel edge of a maximised window, right of the page.
constexpr int kShadow = 14;
constexpr int kCloseFromRight = 24;
constexpr int kCloseFromTop = 19;
constexpr int kGameCloseFromRight = 1 + 18;
constexpr int kGameCloseFromTop = 16;
// The title fields the login page puts after "|": "塔恩维尔" and "雾港1区" in GBK.
constexpr char kTitleFirstBytes[] = "\xCB\xFE\xB6\xF7\xCE\xAC\xB6\xFB";
constexpr char kTitleSecondBytes[] =
    "\xCE\xED\xB8\xDB"
    "1"
    "\xC7\xF8";

std::wstring FromAnsi(const std::string& bytes) {
  int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(length, L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
  return text;
}

std::wstring TitleOf(HWND window) {
  wchar_t text[256] = {};
  int length = ::GetWindowTextW(window, text, 256);
  return std::wstring(text, length > 0 ? length : 0);
}

// The screen under a window, as the player sees it: layered windows, the
// page's own window and toasts alike.
void SaveScreenOf(HWND window, const std::wstring& file_name) {
  RECT area = {};
  ASSERT_TRUE(::GetWindowRect(window, &area));
  test_support::Picture picture;
  picture.width = area.right - area.left;
  picture.height = area.bottom - area.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, picture.width, picture.height, screen, area.left, area.top, SRCCOPY);
  ::GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  picture.pixels.assign(source, source + static_cast<size_t>(picture.width) * picture.height);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  EXPECT_TRUE(test_support::SavePng(picture, L"" TARNWELL_SCREENSHOT_DIR L"\\" + file_name));
}

// The reports of one page's scripts with that event, in order.
std::vector<json> Reports(const json& state, const std::string& page, const std::string& event) {
  std::vector<json> found;
  if (!state.is_object() || !state.contains("reports")) return found;
  for (const json& report : state["reports"]) {
    if (report.value("page", "") == page && report.value("event", "") == event) found.push_back(report);
  }
  return found;
}

int Loads(const json& state, const std::string& page) {
  if (!state.is_object() || !state.contains("loads")) return 0;
  return state["loads"].value(page, 0);
}

// Waits until the portal's state satisfies |condition|; the last state seen.
json WaitForState(const DemoPortal& portal, const std::function<bool(const json&)>& condition) {
  json state;
  test_support::PumpUntil(
      [&] {
        state = portal.State();
        return condition(state);
      },
      kStepTimeout);
  return state;
}

void ClickPage(HWND page, const json& box) { ClickAt(page, box.value("x", 0), box.value("y", 0)); }

HWND PageViewOf(HWND window) { return ::FindWindowExW(window, nullptr, L"RemoteEngineView", nullptr); }

// Whether the screen shows something other than black in the middle of
// |window|'s page, which stays black until the page's first picture.
bool ScreenShowsPageIn(HWND window) {
  HWND view = PageViewOf(window);
  RECT area = {};
  if (!view || !::GetWindowRect(view, &area)) return false;
  HDC screen = ::GetDC(nullptr);
  const COLORREF middle = ::GetPixel(screen, (area.left + area.right) / 2, (area.top + area.bottom) / 2);
  ::ReleaseDC(nullptr, screen);
  return middle != CLR_INVALID && middle != RGB(0, 0, 0);
}

TEST(RealPagesFlow, TheLoginPageGreetsThePlayerLeadsToTheGameAndTheProgramEndsCleanly) {
  if (test_support::TestBrowserProgram().empty()) GTEST_SKIP() << "no browser program for the real engine";
  if (!remote::RunsOnWine()) GTEST_SKIP() << "the demo portal is started by its Linux path";

  const std::wstring folder = LayOutProgram(L"real_pages");
  ASSERT_FALSE(folder.empty());
  DemoPortal portal;
  std::wstring error;
  ASSERT_TRUE(portal.Start(folder, &error)) << qbase::UTF16ToUTF8(error);
  ASSERT_TRUE(WriteBytes(folder + L"config.ini", "[trnw]\r\nuid=4242\r\nfilename=sword-7\r\n"));
  ASSERT_TRUE(WriteBytes(folder + L"cef\\engine.ini",
                         "[engine]\r\nbrowser=" + qbase::UTF16ToUTF8(test_support::TestBrowserProgram()) +
                             "\r\narguments=" + qbase::UTF16ToUTF8(portal.ResolverRulesArgument()) + "\r\n"));

  ChildProgram program;
  ASSERT_TRUE(program.Start(folder));
  HWND start = program.WaitForWindow(tarnwell::kStartWindowName, kStartTimeout);
  ASSERT_NE(start, nullptr);
  // The login window shows itself once its page has loaded; the page shows
  // the identity it read from its address.
  HWND login = program.WaitForWindow(tarnwell::kLoginWindowName, kStartTimeout);
  ASSERT_NE(login, nullptr);
  json state = WaitForState(portal, [](const json& s) { return !Reports(s, "login", "shown").empty(); });
  std::vector<json> shown = Reports(state, "login", "shown");
  ASSERT_EQ(shown.size(), 1u) << state.dump();
  EXPECT_EQ(Loads(state, "login"), 1);
  EXPECT_EQ(shown[0].value("uid", ""), "4242");
  EXPECT_EQ(shown[0].value("suid", ""), "sword-7");
  EXPECT_TRUE(shown[0].value("bridge", false)) << "no QivCefWebInstance in the login page";
  EXPECT_EQ(shown[0].value("host", ""), "www.plaxon.com");
  const std::string href = shown[0].value("href", "");
  HWND login_page = PageViewOf(login);
  ASSERT_NE(login_page, nullptr);
  // The page's controls where they are once the page has the window's size.
  RECT page_area = {};
  json layout;
  state = WaitForState(portal, [&](const json& s) {
    ::GetClientRect(login_page, &page_area);
    std::vector<json> layouts = Reports(s, "login", "layout");
    if (layouts.empty() || layouts.back().value("width", 0) != page_area.right) return false;
    layout = layouts.back();
    return true;
  });
  ASSERT_TRUE(layout.is_object()) << "the page was never " << page_area.right << " wide: " << state.dump();
  test_support::PumpUntil([] { return false; }, 500);  // the fade-in and the page's first picture
  SaveScreenOf(start, L"real_start_with_login.png");

  // The page's button reaches the client: a toast, and the answer back in the page.
  ClickPage(login_page, layout["hello"]);
  HWND toast = program.WaitForWindow(L"Toast", kStepTimeout);
  EXPECT_NE(toast, nullptr);
  state = WaitForState(portal, [](const json& s) { return !Reports(s, "login", "answer").empty(); });
  std::vector<json> answers = Reports(state, "login", "answer");
  ASSERT_EQ(answers.size(), 1u) << state.dump();
  EXPECT_FALSE(answers[0].value("has_error", true));
  EXPECT_EQ(answers[0].value("message", ""), "Success.");
  test_support::PumpUntil([] { return false; }, 400);
  SaveScreenOf(start, L"real_start_with_toast.png");

  // The game link: the game window opens maximised with its title from the
  // address; the start and login windows hide.
  ASSERT_NE(href.find("m=game"), std::string::npos) << href;
  ClickPage(login_page, layout["enter"]);
  HWND game = program.WaitForWindow(tarnwell::kGameWindowName, kStepTimeout);
  ASSERT_NE(game, nullptr);
  EXPECT_TRUE(::IsZoomed(game));
  EXPECT_TRUE(test_support::PumpUntil([&] { return !::IsWindowVisible(start) && !::IsWindowVisible(login); }));
  EXPECT_EQ(TitleOf(game), FromAnsi(kTitleFirstBytes) + L"-" + FromAnsi(kTitleSecondBytes));
  state = WaitForState(portal, [](const json& s) { return !Reports(s, "game", "running").empty(); });
  std::vector<json> running = Reports(state, "game", "running");
  ASSERT_EQ(running.size(), 1u) << state.dump();
  EXPECT_EQ(Loads(state, "game"), 1);
  EXPECT_EQ(running[0].value("uid", ""), "4242");
  EXPECT_TRUE(running[0].value("registered", false));
  EXPECT_GE(running[0].value("frames", 0), 2) << "the game page does not animate";
  // The page's own decoding of the "|" fields, which the client's title must match.
  EXPECT_EQ(running[0].value("title", ""),
            "\xE5\xA1\x94\xE6\x81\xA9\xE7\xBB\xB4\xE5\xB0\x94 \xC2\xB7 "
            "\xE9\x9B\xBE\xE6\xB8\xAF"
            "1"
            "\xE5\x8C\xBA");
  // The login page itself stayed where it was.
  EXPECT_EQ(Loads(state, "login"), 1);
  // The page's pictures reach a window this size later than the small
  // login window's, the more so on a busy machine.
  EXPECT_TRUE(test_support::PumpUntil([&] { return ScreenShowsPageIn(game); }, kStepTimeout))
      << "the game page never reached the screen";
  SaveScreenOf(game, L"real_game_window.png");

  // Its close button brings back the start window with a fresh login page.
  // The close button sits at the right end of the caption above the page,
  // wherever the window's layout has it by now; a click before the layout
  // meets nothing, so it is repeated.
  RECT client = {};
  for (DWORD waited = 0; ::IsWindow(game) && waited < kStepTimeout; waited += 1000) {
    RECT page = {};
    HWND game_page = PageViewOf(game);
    if (game_page && ::GetWindowRect(game_page, &page) && page.right > page.left) {
      ::MapWindowPoints(nullptr, game, reinterpret_cast<POINT*>(&page), 2);
      ClickAt(game, page.right + 1 - kGameCloseFromRight, kGameCloseFromTop);
    }
    test_support::PumpUntil([&] { return !::IsWindow(game); }, 1000);
  }
  EXPECT_TRUE(test_support::PumpUntil([&] { return !::IsWindow(game) && ::IsWindowVisible(start); }, kStepTimeout));
  state = WaitForState(portal, [](const json& s) { return Reports(s, "login", "shown").size() == 2; });
  EXPECT_EQ(Loads(state, "login"), 2);
  EXPECT_EQ(Reports(state, "login", "shown").size(), 2u);
  EXPECT_TRUE(test_support::PumpUntil([&] { return ::IsWindowVisible(login) != FALSE; }, kStepTimeout));

  // The start window's close button ends the program, and its browser with it.
  GetClientRect(start, &client);
  long exit_code = -1;
  for (DWORD waited = 0; exit_code == -1 && waited < kStepTimeout; waited += 1500) {
    ClickAt(start, client.right - kShadow - kCloseFromRight, kShadow + kCloseFromTop);
    exit_code = program.WaitForExit(1500);
  }
  EXPECT_EQ(exit_code, 0);
  const std::string browser_marker = remote::ToUnixPath(folder + L"cef_temp\\CefLocalStorage");
  ASSERT_FALSE(browser_marker.empty());
  EXPECT_TRUE(test_support::PumpUntil([&] { return test_support::LinuxProcessesNaming(browser_marker) == 0; }, 10000))
      << test_support::LinuxProcessesNaming(browser_marker) << " browser processes left";
}

}  // namespace
