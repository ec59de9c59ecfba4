#include <gtest/gtest.h>

#include "browser/shadow_wnd.h"
#include "browser/toast.h"
#include "browser_test_support.h"
#include "screen_canvas.h"
#include "tests/ui/render_support.h"
#include "ui/controls/rich_edit.h"

using namespace browser_test;

namespace {

constexpr int kShadow = 14;

// A shadowed frame window over the shipped login layout, without its browser.
class ShadowedWindow : public qiv_comp::ShadowWndBase {
 public:
  std::wstring GetWindowClassName() const override { return L"TarnwellShadowedTest"; }
  std::wstring GetSkinFolder() override { return L"cef"; }
  std::wstring GetSkinFile() override { return L"cef.xml"; }
};

// A plain white top-level window: the light background under a shadow.
HWND LightBackground(const RECT& rect) {
  return ::CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, nullptr, nullptr, nullptr, nullptr);
}

RECT WindowRect(HWND window) {
  RECT rect = {};
  ::GetWindowRect(window, &rect);
  return rect;
}

bool Inflated(const RECT& inner, const RECT& outer, int by) {
  return outer.left == inner.left - by && outer.top == inner.top - by && outer.right == inner.right + by &&
         outer.bottom == inner.bottom + by;
}

// Counts the moves and re-orderings a window is asked for.
class PositionCounter : public ui::IUIMessageFilter {
 public:
  LRESULT MessageHandler(UINT message, WPARAM, LPARAM, bool& handled) override {
    handled = false;
    if (message == WM_WINDOWPOSCHANGING) ++changes;
    return 0;
  }
  int changes = 0;
};

TEST(ShadowWnd, FollowsItsOwnersPlaceOrderShowingAndEndAndOnlyTheShadowIsLayered) {
  RunAsUiThread([] {
    ShippedSkin skin;
    HWND background = LightBackground(RECT{60, 60, 560, 460});
    auto* window = new ShadowedWindow();
    // Asked for a layered window: it is made without, as browsers need.
    HWND hwnd = window->Create(nullptr, L"shadowed", WS_OVERLAPPEDWINDOW, 0, true, ui::Rect());
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    qiv_comp::ShadowWnd* shadow = window->GetShadow();
    ASSERT_NE(shadow, nullptr);
    HWND shadow_window = shadow->GetHWND();
    ASSERT_TRUE(::IsWindow(shadow_window));
    EXPECT_EQ(shadow->GetOwnerWindow(), hwnd);
    const LONG ex_style = ::GetWindowLongW(shadow_window, GWL_EXSTYLE);
    EXPECT_EQ(ex_style & (WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW),
              WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW);
    EXPECT_FALSE(::IsWindowEnabled(shadow_window));
    EXPECT_FALSE(::IsWindowVisible(shadow_window));

    ::SetWindowPos(hwnd, nullptr, 120, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    window->ShowWindow(true, false);
    ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(shadow_window); }));
    EXPECT_TRUE(Inflated(WindowRect(hwnd), WindowRect(shadow_window), kShadow));
    EXPECT_EQ(::GetWindow(hwnd, GW_HWNDNEXT), shadow_window) << "directly behind its owner";

    ::SetWindowPos(hwnd, nullptr, 150, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(Inflated(WindowRect(hwnd), WindowRect(shadow_window), kShadow));

    // The owner's repaints leave a shadow in place alone; one that lost its
    // place behind the owner gets it back at the next.
    // The system may still settle the move above once (under Wine its X
    // server answers late); a shadow moved at every repaint moves five times.
    window->PaintNow();
    WaitFor(100);
    PositionCounter moves;
    shadow->AddMessageFilter(&moves);
    for (int i = 0; i < 5; ++i) window->PaintNow();
    EXPECT_LE(moves.changes, 1);
    ::SetWindowPos(background, hwnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(::GetWindow(hwnd, GW_HWNDNEXT), background);
    window->PaintNow();
    EXPECT_EQ(::GetWindow(hwnd, GW_HWNDNEXT), shadow_window);
    shadow->RemoveMessageFilter(&moves);
    WaitFor(200);
    shadow->PaintNow();
    window->PaintNow();
    // The shadow darkens the light background round the window, softly.
    ScreenCanvas canvas(RECT{100, 60, 560, 460}, 0xFFF2F2F2);
    canvas.Blend(*shadow->GetRenderContext(), shadow_window);
    canvas.Copy(*window->GetRenderContext(), hwnd);
    const RECT owner = WindowRect(hwnd);
    const int middle = (owner.top + owner.bottom) / 2;
    const uint32_t close_by = canvas.PixelAt(owner.left - 2, middle) & 0xFF;
    const uint32_t further = canvas.PixelAt(owner.left - 12, middle) & 0xFF;
    EXPECT_LT(close_by, 0xE0u);
    EXPECT_GT(close_by, 0x40u);
    EXPECT_GT(further, close_by);
    EXPECT_EQ(canvas.PixelAt(owner.left - 20, middle) & 0xFF, 0xF2u);
    canvas.Save(L"shadow_on_light.png");

    window->ShowWindow(false, false);
    EXPECT_FALSE(::IsWindowVisible(shadow_window));
    window->ShowWindow(true, false);
    EXPECT_TRUE(::IsWindowVisible(shadow_window));

    // Closing the owner closes its shadow.
    window->Close(IDOK);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hwnd) && !::IsWindow(shadow_window); }));

    // So does destroying it outright.
    auto* second = new ShadowedWindow();
    HWND second_hwnd = second->Create(nullptr, L"shadowed", WS_OVERLAPPEDWINDOW, 0, false, ui::Rect());
    ASSERT_NE(second_hwnd, nullptr);
    HWND second_shadow = second->GetShadow()->GetHWND();
    ::DestroyWindow(second_hwnd);
    EXPECT_FALSE(::IsWindow(second_shadow));
    ::DestroyWindow(background);
  });
}

// Counts a window's close messages.
class CloseCounter : public ui::IUIMessageFilter {
 public:
  LRESULT MessageHandler(UINT message, WPARAM, LPARAM, bool& handled) override {
    handled = false;
    if (message == WM_CLOSE) ++closes;
    return 0;
  }
  int closes = 0;
};

std::wstring ContentText(qiv_comp::Toast* toast) {
  auto* edit = dynamic_cast<ui::RichEdit*>(toast->GetContent());
  return edit ? edit->GetText() : L"(no content)";
}

TEST(Toast, ShowsTheTextOverItsWindowAndEndsOnceByEscapeDoubleClickOrTimer) {
  RunAsUiThread([] {
    ShippedSkin skin;
    auto* parent = new ShadowedWindow();
    HWND parent_hwnd = parent->Create(nullptr, L"parent", WS_OVERLAPPEDWINDOW, 0, false, ui::Rect());
    ASSERT_NE(parent_hwnd, nullptr);
    ::SetWindowPos(parent_hwnd, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    parent->ShowWindow(true, false);

    qiv_comp::Toast* toast = qiv_comp::Toast::ShowToast(L"\"hello\"", parent_hwnd, 150);
    ASSERT_NE(toast, nullptr);
    HWND toast_hwnd = toast->GetHWND();
    wchar_t class_name[32] = {};
    ::GetClassNameW(toast_hwnd, class_name, 32);
    EXPECT_STREQ(class_name, L"Toast");
    EXPECT_EQ(::GetClassLongW(toast_hwnd, GCL_STYLE) & 11, 11u);
    EXPECT_TRUE(::IsWindowVisible(toast_hwnd));
    EXPECT_EQ(ContentText(toast), L"\"hello\"");
    // Centred over its window.
    RECT outer = WindowRect(parent_hwnd);
    RECT own = WindowRect(toast_hwnd);
    EXPECT_NEAR((own.left + own.right) / 2, (outer.left + outer.right) / 2, 1);
    EXPECT_NEAR((own.top + own.bottom) / 2, (outer.top + outer.bottom) / 2, 1);

    // The close button is there while the mouse is.
    ui::Control* close = toast->GetCloseButton();
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(close->IsVisible());
    ::SendMessageW(toast_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    EXPECT_TRUE(close->IsVisible());
    ::SetCursorPos(own.right + 200, own.bottom + 200);
    ::SendMessageW(toast_hwnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(close->IsVisible());

    // Escape closes it; the timer that fires while it fades closes nothing
    // more.
    CloseCounter counter;
    toast->AddMessageFilter(&counter);
    ::SendMessageW(toast_hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(toast->IsClosing());
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(toast_hwnd); }));
    WaitFor(100);
    EXPECT_EQ(counter.closes, 1);

    qiv_comp::Toast* clicked = qiv_comp::Toast::ShowToast(L"2", parent_hwnd, 60000);
    HWND clicked_hwnd = clicked->GetHWND();
    ::SendMessageW(clicked_hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(30, 30));
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(clicked_hwnd); }));

    HWND timed = qiv_comp::Toast::ShowToast(L"3", parent_hwnd, 100)->GetHWND();
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(timed); }, 3000));
    EXPECT_TRUE(qiv_comp::Toast::LiveToasts().empty());
    ::DestroyWindow(parent_hwnd);
  });
}

TEST(Toast, APageAskingInALoopKeepsAFewToastsAndAHugeTextIsCut) {
  RunAsUiThread([] {
    ShippedSkin skin;
    std::vector<qiv_comp::Toast*> shown;
    std::vector<HWND> windows;
    for (int i = 0; i < 8; ++i) {
      shown.push_back(qiv_comp::Toast::ShowToast(L"toast " + std::to_wstring(i), nullptr, 60000));
      ASSERT_NE(shown.back(), nullptr);
      windows.push_back(shown.back()->GetHWND());
    }
    std::vector<qiv_comp::Toast*> live = qiv_comp::Toast::LiveToasts();
    ASSERT_EQ(live.size(), qiv_comp::Toast::kMaxToasts);
    EXPECT_EQ(live, std::vector<qiv_comp::Toast*>(shown.end() - 3, shown.end()));
    for (size_t i = 0; i < 5; ++i) EXPECT_FALSE(::IsWindow(windows[i])) << i;

    // Ten megabytes of text: the toast shows its start and grows only so far.
    const RECT small = WindowRect(windows.back());
    // One line of text: the content shrank to it.
    const int small_content = shown.back()->GetContent()->GetFixedHeight();
    EXPECT_GT(small_content, 8);
    EXPECT_LT(small_content, 40);
    qiv_comp::Toast* huge = qiv_comp::Toast::ShowToast(std::wstring(10 * 1024 * 1024, L'x'), nullptr, 60000);
    ASSERT_NE(huge, nullptr);
    const std::wstring text = ContentText(huge);
    EXPECT_EQ(text.size(), qiv_comp::Toast::kMaxTextLength + 1);
    EXPECT_EQ(text.back(), L'\u2026');
    EXPECT_EQ(huge->GetContent()->GetFixedHeight(), 240);
    const RECT tall = WindowRect(huge->GetHWND());
    EXPECT_EQ((tall.bottom - tall.top) - (small.bottom - small.top), 240 - small_content);

    qiv_comp::Toast* readable = qiv_comp::Toast::ShowToast(
        L"{\"title\":\"\u6D3B\u52A8\u5956\u52B1\",\"text\":\"\u606D\u559C\u60A8\u83B7\u5F97\u4E86\u4ECA\u65E5\u7684"
        L"\u767B\u5F55\u5956\u52B1\uFF0C\u8BF7\u5728\u80CC\u5305\u4E2D\u67E5\u6536\u3002\"}",
        nullptr, 60000);
    ASSERT_NE(readable, nullptr);
    readable->ShowWindow(true, false);
    WaitFor(350);
    readable->PaintNow();
    EXPECT_FALSE(ui::test::SaveScreenshot(*readable->GetRenderContext(), L"toast.png").empty());
    for (qiv_comp::Toast* toast : qiv_comp::Toast::LiveToasts()) ::DestroyWindow(toast->GetHWND());
    EXPECT_TRUE(qiv_comp::Toast::LiveToasts().empty());
  });
}

}  // namespace
