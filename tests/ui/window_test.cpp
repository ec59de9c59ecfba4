// The host and frame windows with real native windows and real messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "base/path_util.h"
#include "render_support.h"
#include "tests/support/test_support.h"
#include "ui/controls/button.h"
#include "ui/controls/option.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/resource_manager.h"
#include "ui/core/shadow_box.h"
#include "ui/core/window_impl_base.h"

namespace ui {
namespace {

using test_support::PumpUntil;

constexpr uint32_t kRootRed = 0xFFC02020;

// A frame window over one layout file of the test skin. It deletes itself
// when its native window goes; |alive| tells the test when that happened.
class TestFrame : public WindowImplBase {
 public:
  TestFrame(std::wstring skin_file, std::shared_ptr<bool> alive)
      : skin_file_(std::move(skin_file)), alive_(std::move(alive)) {
    *alive_ = true;
  }
  ~TestFrame() override { *alive_ = false; }

  std::wstring GetWindowClassName() const override { return L"TarnwellTestFrame"; }
  std::wstring GetSkinFolder() override { return L"frames"; }
  std::wstring GetSkinFile() override { return skin_file_; }
  LRESULT OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override {
    ++close_messages;
    return WindowImplBase::OnClose(message, wparam, lparam, handled);
  }

  // Stands in for default handling that does not turn SC_CLOSE into
  // WM_CLOSE (as with the system menu's close item disabled): then only the
  // frame's own handling of the command can close the window.
  void IgnoreSystemCloseByDefault() { previous_procedure_ = &IgnoringSystemClose; }
  static LRESULT CALLBACK IgnoringSystemClose(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_CLOSE) return 0;
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }

  int close_messages = 0;

 private:
  std::wstring skin_file_;
  std::shared_ptr<bool> alive_;
};

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::EnsureGdiplus();
    root_folder_ = test_support::TempFolder(L"window_test", L"skin");
    const std::wstring theme = root_folder_ + L"theme\\";
    ASSERT_TRUE(qbase::CreateDirectories(theme + L"frames"));
    ASSERT_TRUE(qbase::CreateDirectories(root_folder_ + L"lang"));
    Write(theme + L"global.xml",
          "<Global defaultfontcolor=\"ink\">"
          "<TextColor name=\"ink\" value=\"#FF101010\"/>"
          "<TextColor name=\"root_red\" value=\"#FFC02020\"/>"
          "<TextColor name=\"blue\" value=\"#FF2040C0\"/>"
          "</Global>");
    Write(root_folder_ + L"lang\\gdstrings.ini", "STR_FRAME_TITLE=Frame title from the language file\n");
    // 300 x 200 inside the default 14-pixel shadow; a 30-pixel caption
    // with a label and the caption buttons.
    Write(theme + L"frames\\frame.xml",
          "<Window size=\"300,200\" caption=\"0,0,0,30\" sizebox=\"4,4,4,4\" mininfo=\"200,150\" "
          "maxinfo=\"800,600\" roundcorner=\"6,6\" textid=\"STR_FRAME_TITLE\">"
          "<VBox name=\"content\" bkcolor=\"root_red\">"
          "  <HBox height=\"30\">"
          "    <Label name=\"title\" text=\"Title\" width=\"stretch\" height=\"30\"/>"
          "    <Button name=\"minbtn\" width=\"30\" height=\"30\" text=\"_\"/>"
          "    <Button name=\"maxbtn\" width=\"30\" height=\"30\" text=\"+\"/>"
          "    <Button name=\"restorebtn\" width=\"30\" height=\"30\" text=\"=\" visible=\"false\"/>"
          "    <Button name=\"closebtn\" width=\"30\" height=\"30\" text=\"x\"/>"
          "  </HBox>"
          "  <HBox name=\"options\" height=\"30\">"
          "    <Option name=\"option1\" group=\"difficulty\" width=\"60\" text=\"easy\"/>"
          "    <Option name=\"option2\" group=\"difficulty\" width=\"60\" text=\"normal\" selected=\"true\"/>"
          "    <Option name=\"option3\" group=\"difficulty\" width=\"60\" text=\"hard\"/>"
          "  </HBox>"
          "  <Box name=\"parent\" height=\"60\" bkcolor=\"blue\">"
          "    <Control name=\"child\" width=\"40\" height=\"40\" margin=\"10,10,0,0\" tooltiptext=\"line one\nline two\"/>"
          "  </Box>"
          "  <Control name=\"filler\"/>"
          "</VBox>"
          "</Window>");
    // No caption, no shadow, and a "closebtn" that is only a label.
    Write(theme + L"frames\\plain.xml",
          "<Window shadowattached=\"false\" size=\"200,120\">"
          "<VBox bkcolor=\"blue\">"
          "  <Label name=\"closebtn\" text=\"not a button\" height=\"30\" width=\"stretch\"/>"
          "  <HBox name=\"row\" height=\"30\">"
          "    <Button name=\"first\" width=\"50\" text=\"1\"/>"
          "    <Button name=\"second\" width=\"50\" text=\"2\"/>"
          "    <Button name=\"third\" width=\"50\" text=\"3\"/>"
          "  </HBox>"
          "</VBox>"
          "</Window>");
    Write(theme + L"frames\\broken.xml", "<Window size=\"10,10\"><VBox><Unknown");
  }

  void SetUp() override {
    saved_path_ = ResourceManager::GetResourcePath();
    saved_text_color_ = ResourceManager::GetDefaultTextColor();
    saved_disabled_text_color_ = ResourceManager::GetDefaultDisabledTextColor();
    ResourceManager::Startup(root_folder_, nullptr, L"theme", L"lang");
  }
  void TearDown() override {
    // Whatever a failed test left open goes now.
    if (alive_ && *alive_ && frame_ && frame_->GetHWND()) ::DestroyWindow(frame_->GetHWND());
    ResourceManager::SetResourcePath(saved_path_);
    // The skin's global file renamed the default colours; later suites
    // expect the framework's own names.
    ResourceManager::SetDefaultTextColor(saved_text_color_);
    ResourceManager::SetDefaultDisabledTextColor(saved_disabled_text_color_);
  }

  static void Write(const std::wstring& path, const std::string& text) {
    ASSERT_TRUE(test::WriteFileBytes(path, text));
  }

  // Creates, centres and shows a frame and waits until it has faded in.
  TestFrame* Open(const wchar_t* file, bool layered = true) {
    alive_ = std::make_shared<bool>(false);
    frame_ = new TestFrame(file, alive_);
    HWND hwnd = frame_->Create(nullptr, L"test frame", WS_OVERLAPPEDWINDOW, 0, layered);
    if (!hwnd) return nullptr;
    frame_->CenterWindow();
    frame_->ShowWindow(true, true);
    // The first paint lays the tree out and starts the fade-in.
    PumpUntil([this] { return frame_->GetRoot() && !frame_->GetRoot()->GetPos().IsEmpty(); }, 5000);
    PumpUntil([this] { return frame_->GetWindowAlpha() == 255; }, 5000);
    return frame_;
  }

  Control* Find(const wchar_t* name) { return frame_->FindControl(name); }
  Point Center(Control* control) {
    const Rect rect = control->GetPos();
    return Point((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  }
  void Click(const Point& point) {
    const LPARAM position = MAKELPARAM(point.x, point.y);
    ::SendMessageW(frame_->GetHWND(), WM_LBUTTONDOWN, MK_LBUTTON, position);
    ::SendMessageW(frame_->GetHWND(), WM_LBUTTONUP, 0, position);
  }
  LRESULT HitTest(int client_x, int client_y) {
    POINT point = {client_x, client_y};
    ::ClientToScreen(frame_->GetHWND(), &point);
    return ::SendMessageW(frame_->GetHWND(), WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
  }

  static std::wstring root_folder_;
  std::wstring saved_path_;
  std::wstring saved_text_color_;
  std::wstring saved_disabled_text_color_;
  std::shared_ptr<bool> alive_;
  TestFrame* frame_ = nullptr;
};

std::wstring WindowTest::root_folder_;

TEST_F(WindowTest, LayoutRootSetsTheWindowUp) {
  ASSERT_NE(nullptr, Open(L"frame.xml"));
  HWND hwnd = frame_->GetHWND();
  Rect window_rect;
  ::GetWindowRect(hwnd, &window_rect);
  // The layout's size plus the shadow on every side.
  EXPECT_EQ(328, window_rect.Width());
  EXPECT_EQ(228, window_rect.Height());
  EXPECT_EQ(0, ::GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION);
  wchar_t title[128] = {};
  ::GetWindowTextW(hwnd, title, 128);
  EXPECT_STREQ(L"Frame title from the language file", title);

  // Centred on the work area.
  RECT work = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR((work.left + work.right) / 2, (window_rect.left + window_rect.right) / 2, 1);
  EXPECT_NEAR((work.top + work.bottom) / 2, (window_rect.top + window_rect.bottom) / 2, 1);

  // Tracking sizes carry the shadow too.
  MINMAXINFO info = {};
  ::SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(228, info.ptMinTrackSize.x);
  EXPECT_EQ(178, info.ptMinTrackSize.y);
  EXPECT_EQ(828, info.ptMaxTrackSize.x);
  EXPECT_EQ(628, info.ptMaxTrackSize.y);

  // The root sits inside the shadow box, which pads it by the shadow.
  ShadowBox* shadow = frame_->GetShadowBox();
  ASSERT_NE(nullptr, shadow);
  EXPECT_EQ(shadow, frame_->GetRoot());
  EXPECT_EQ(Rect(14, 14, 314, 214), Find(L"content")->GetPos());

  RECT region_box = {};
  EXPECT_NE(ERROR, ::GetWindowRgnBox(hwnd, &region_box));
}

TEST_F(WindowTest, HitTestingHonoursShadowSizeBoxAndCaption) {
  ASSERT_NE(nullptr, Open(L"frame.xml"));
  // Left edge: 14 shadow pixels, then 4 resizing pixels, then content.
  EXPECT_EQ(HTCLIENT, HitTest(0, 100));
  EXPECT_EQ(HTCLIENT, HitTest(13, 100));
  EXPECT_EQ(HTLEFT, HitTest(14, 100));
  EXPECT_EQ(HTLEFT, HitTest(17, 100));
  EXPECT_EQ(HTCLIENT, HitTest(18, 100));
  EXPECT_EQ(HTTOP, HitTest(100, 14));
  EXPECT_EQ(HTTOPLEFT, HitTest(15, 15));
  EXPECT_EQ(HTBOTTOMRIGHT, HitTest(312, 212));
  EXPECT_EQ(HTCLIENT, HitTest(100, 227));
  // The caption drags on the label and stays clickable on its buttons.
  EXPECT_EQ(HTCAPTION, HitTest(60, 30));
  const Point close = Center(Find(L"closebtn"));
  EXPECT_EQ(HTCLIENT, HitTest(close.x, close.y));
  // Below the caption: content.
  EXPECT_EQ(HTCLIENT, HitTest(60, 100));
}

TEST_F(WindowTest, LayoutWithoutCaptionCannotBeDraggedAndLabelsNamedLikeButtonsDoNothing) {
  ASSERT_NE(nullptr, Open(L"plain.xml"));
  Rect window_rect;
  ::GetWindowRect(frame_->GetHWND(), &window_rect);
  EXPECT_EQ(200, window_rect.Width());  // no shadow
  for (int y : {1, 10, 29, 60}) EXPECT_EQ(HTCLIENT, HitTest(100, y)) << y;
  // The label called "closebtn" got no close handler.
  Find(L"closebtn")->SendEvent(kEventClick);
  PumpUntil([] { return false; }, 500);
  EXPECT_TRUE(*alive_);
  EXPECT_TRUE(::IsWindow(frame_->GetHWND()));
}

TEST_F(WindowTest, MaximiseSwapsCaptionButtonsAndDropsTheShadow) {
  ASSERT_NE(nullptr, Open(L"frame.xml"));
  HWND hwnd = frame_->GetHWND();
  Control* max_button = Find(L"maxbtn");
  Control* restore_button = Find(L"restorebtn");
  Click(Center(max_button));
  EXPECT_TRUE(PumpUntil([hwnd] { return ::IsZoomed(hwnd) != FALSE; }, 3000));
  EXPECT_FALSE(max_button->IsVisible());
  EXPECT_TRUE(restore_button->IsVisible());
  EXPECT_EQ(Rect(), frame_->GetShadowBox()->GetLayout()->GetPadding());
  // Maximised windows do not resize by their borders.
  EXPECT_EQ(HTCLIENT, HitTest(1, 100));
  // Without the shadow's padding the caption starts at the window's top,
  // where the user sees it, and ends 30 pixels below.
  PumpUntil([this] {
    frame_->PaintNow();
    return Find(L"title")->GetPos().top == 0;
  }, 2000);
  const Point title = Center(Find(L"title"));
  EXPECT_EQ(HTCAPTION, HitTest(title.x, 2));
  EXPECT_EQ(HTCAPTION, HitTest(title.x, 29));
  EXPECT_EQ(HTCLIENT, HitTest(title.x, 35)) << "the options row lies below the caption";

  PumpUntil([this] {
    frame_->PaintNow();
    return !Find(L"restorebtn")->GetPos().IsEmpty();
  }, 2000);
  Click(Center(restore_button));
  EXPECT_TRUE(PumpUntil([hwnd] { return !::IsZoomed(hwnd); }, 3000));
  EXPECT_TRUE(max_button->IsVisible());
  EXPECT_FALSE(restore_button->IsVisible());
  EXPECT_EQ(Rect(14, 14, 14, 14), frame_->GetShadowBox()->GetLayout()->GetPadding());
}

TEST_F(WindowTest, CloseButtonAndSystemCloseBothGoThroughTheCloseMessage) {
  ASSERT_NE(nullptr, Open(L"frame.xml"));
  int close_messages = -1;
  frame_->AttachWindowClose([this, &close_messages](EventArgs*) {
    close_messages = frame_->close_messages;
    return true;
  });
  Click(Center(Find(L"closebtn")));
  // Fades out, then closes.
  EXPECT_TRUE(*alive_);
  EXPECT_TRUE(PumpUntil([this] { return !*alive_; }, 3000));
  EXPECT_EQ(1, close_messages);

  ASSERT_NE(nullptr, Open(L"frame.xml"));
  TestFrame* frame = frame_;
  frame->IgnoreSystemCloseByDefault();
  int closes_seen = 0;
  close_messages = -1;
  frame->AttachWindowClose([&closes_seen, &close_messages, frame](EventArgs* args) {
    closes_seen += args->kind == kEventWindowClose ? 1 : 0;
    close_messages = frame->close_messages;
    return true;
  });
  // Alt+F4 arrives as SC_CLOSE and must become WM_CLOSE.
  ::SendMessageW(frame->GetHWND(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(*alive_);
  EXPECT_EQ(1, closes_seen);
  EXPECT_EQ(1, close_messages);
}

// Reads and dismisses the message box the frame shows from WM_CREATE.
std::wstring DismissMessageBox(const wchar_t* caption) {
  HWND box = nullptr;
  for (int i = 0; i < 500 && !box; ++i) {
    box = ::FindWindowW(L"#32770", caption);
    if (!box) ::Sleep(10);
  }
  if (!box) return L"<no message box>";
  std::wstring longest;
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(child, text, 1024);
    if (std::wcslen(text) > longest.size()) longest = text;
  }
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  return longest;
}

TEST_F(WindowTest, LayoutThatCannotBeLoadedShowsTheFullPathAndCreatesNoWindow) {
  for (const wchar_t* file : {L"missing.xml", L"broken.xml"}) {
    std::wstring shown;
    std::thread watcher([&shown] { shown = DismissMessageBox(L"Plaxon"); });
    alive_ = std::make_shared<bool>(false);
    frame_ = new TestFrame(file, alive_);
    HWND hwnd = frame_->Create(nullptr, L"test frame", WS_OVERLAPPEDWINDOW, 0, true);
    watcher.join();
    EXPECT_EQ(nullptr, hwnd);
    EXPECT_FALSE(*alive_) << "the refused window deletes itself";
    EXPECT_EQ(L"Failed to load xml file " + root_folder_ + L"theme\\frames\\" + file, shown);
    frame_ = nullptr;
  }
}

TEST_F(WindowTest, ControlRemovedInItsOwnClickHandlerIsDestroyedLater) {
  ASSERT_NE(nullptr, Open(L"plain.xml"));
  Control* second = Find(L"second");
  Box* row = static_cast<Box*>(Find(L"row"));
  std::weak_ptr<qbase::WeakFlag> second_alive = second->GetWeakFlag();
  int clicks = 0;
  second->AttachEvent(kEventClick, [&clicks, row, second](EventArgs*) {
    ++clicks;
    row->Remove(second);
    return true;
  });
  Click(Center(second));
  EXPECT_EQ(1, clicks);
  EXPECT_FALSE(second_alive.expired()) << "destroyed only once the handler has returned";
  EXPECT_TRUE(PumpUntil([&second_alive] { return second_alive.expired(); }, 2000));
  EXPECT_EQ(nullptr, Find(L"second"));
  // The window goes on working.
  Click(Center(Find(L"third")));
  EXPECT_EQ(Find(L"third"), frame_->GetFocus());
}

TEST_F(WindowTest, TabMovesFocusAndWrapsAround) {
  ASSERT_NE(nullptr, Open(L"plain.xml"));
  HWND hwnd = frame_->GetHWND();
  frame_->SetFocus(Find(L"third"));
  ASSERT_EQ(Find(L"third"), frame_->GetFocus());
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_TAB, 0);
  // The label named "closebtn" comes first in the tree.
  EXPECT_EQ(Find(L"closebtn"), frame_->GetFocus());
  ::SendMessageW(hwnd, WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(Find(L"first"), frame_->GetFocus());
  EXPECT_TRUE(Find(L"first")->IsFocused());
  EXPECT_FALSE(Find(L"third")->IsFocused());
}

TEST_F(WindowTest, MouseEntersChildWhileParentKeepsItsHover) {
  ASSERT_NE(nullptr, Open(L"frame.xml"));
  HWND hwnd = frame_->GetHWND();
  Control* parent = Find(L"parent");
  Control* child = Find(L"child");
  const Rect parent_rect = parent->GetPos();
  const Rect child_rect = child->GetPos();
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(parent_rect.right - 5, parent_rect.bottom - 5));
  EXPECT_EQ(parent, frame_->GetHoverControl());
  EXPECT_EQ(kControlStateHot, parent->GetState());
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(child_rect.left + 5, child_rect.top + 5));
  EXPECT_EQ(child, frame_->GetHoverControl());
  EXPECT_EQ(kControlStateHot, child->GetState());
  EXPECT_EQ(kControlStateHot, parent->GetState()) << "the window's leave is ignored while the child has the mouse";
  // Leaving the window clears both.
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(-1, -1));
  EXPECT_EQ(kControlStateNormal, child->GetState());
  EXPECT_EQ(kControlStateNormal, parent->GetState());
}

TEST_F(WindowTest, TooltipShowsTwoLinesWrappedAtTheControlsWidth) {
  ASSERT_NE(nullptr, Open(L"frame.xml"));
  HWND hwnd = frame_->GetHWND();
  Control* child = Find(L"child");
  child->SetToolTipWidth(120);
  const Point point = Center(child);
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, point.y));
  ::SendMessageW(hwnd, WM_MOUSEHOVER, 0, MAKELPARAM(point.x, point.y));
  HWND tip = frame_->GetTooltipWindow();
  ASSERT_NE(nullptr, tip);
  EXPECT_EQ(120, ::SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0));
  wchar_t text[128] = {};
  TOOLINFOW info = {};
  info.cbSize = sizeof(info);
  info.hwnd = hwnd;
  info.uId = reinterpret_cast<UINT_PTR>(hwnd);
  info.lpszText = text;
  ::SendMessageW(tip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(L"line one\nline two", text);
  EXPECT_TRUE(PumpUntil([tip] { return ::IsWindowVisible(tip) != FALSE; }, 2000));
  Rect tip_rect;
  ::GetWindowRect(tip, &tip_rect);
  // Two lines of text are taller than one line plus margins.
  HDC dc = ::GetDC(tip);
  TEXTMETRICW metrics = {};
  ::GetTextMetricsW(dc, &metrics);
  ::ReleaseDC(tip, dc);
  EXPECT_GE(tip_rect.Height(), 2 * metrics.tmHeight);

  ::SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
  EXPECT_TRUE(PumpUntil([tip] { return !::IsWindowVisible(tip); }, 2000));
}

TEST_F(WindowTest, OptionsClickedWithTheMouseKeepOneSelection) {
  ASSERT_NE(nullptr, Open(L"frame.xml"));
  auto* option1 = dynamic_cast<Option*>(Find(L"option1"));
  auto* option2 = dynamic_cast<Option*>(Find(L"option2"));
  auto* option3 = dynamic_cast<Option*>(Find(L"option3"));
  ASSERT_TRUE(option1 && option2 && option3);
  ASSERT_NE(nullptr, frame_->GetOptionGroup(L"difficulty"));
  EXPECT_EQ(3u, frame_->GetOptionGroup(L"difficulty")->size());
  EXPECT_TRUE(option2->IsSelected());
  int clicks = 0;
  option3->AttachEvent(kEventClick, [&clicks](EventArgs*) { return ++clicks > 0; });
  Click(Center(option3));
  EXPECT_EQ(1, clicks);
  EXPECT_FALSE(option1->IsSelected());
  EXPECT_FALSE(option2->IsSelected());
  EXPECT_TRUE(option3->IsSelected());
  Click(Center(option1));
  EXPECT_TRUE(option1->IsSelected());
  EXPECT_FALSE(option3->IsSelected());
}

TEST_F(WindowTest, LayeredWindowPresentsOpaqueContentInsideATransparentShadow) {
  ASSERT_NE(nullptr, Open(L"frame.xml"));
  frame_->PaintNow();
  IRenderContext* surface = frame_->GetRenderContext();
  ASSERT_NE(nullptr, surface);
  EXPECT_EQ(328, surface->GetWidth());
  const uint32_t inside = test::PixelAt(*surface, 150, 200);
  EXPECT_EQ(255, test::AlphaOf(inside));
  EXPECT_TRUE(test::NearRgb(kRootRed, inside, 2)) << std::hex << inside;
  // No shadow image in this skin: the shadow band stays fully transparent.
  EXPECT_EQ(0, test::AlphaOf(test::PixelAt(*surface, 3, 100)));
  EXPECT_EQ(255, frame_->GetWindowAlpha());

  std::unique_ptr<IRenderContext> copy = surface->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*copy, L"frame_window.png").empty());
}

// What the screen shows at a client point of |hwnd|, as 0x00BBGGRR.
COLORREF ScreenPixel(HWND hwnd, const Point& client) {
  POINT point = {client.x, client.y};
  ::ClientToScreen(hwnd, &point);
  HDC screen = ::GetDC(nullptr);
  const COLORREF pixel = ::GetPixel(screen, point.x, point.y);
  ::ReleaseDC(nullptr, screen);
  return pixel;
}

TEST_F(WindowTest, LayeredWindowShowsAChangeOfOneControlAndKeepsTheRest) {
  ASSERT_NE(nullptr, Open(L"frame.xml"));
  HWND hwnd = frame_->GetHWND();
  frame_->PaintNow();
  Control* child = Find(L"child");
  ASSERT_NE(nullptr, child);
  const Rect rect = child->GetPos();
  const Point inside_child((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  const Point beside_child(rect.right + 20, inside_child.y);
  EXPECT_EQ(RGB(0x20, 0x40, 0xC0), ScreenPixel(hwnd, inside_child));

  // Only the child is invalid; the layered update that follows carries only
  // its rectangle, and the screen must show the new colour there and the old
  // pixels everywhere else.
  child->SetBkColor(L"root_red");
  ::UpdateWindow(hwnd);
  EXPECT_EQ(RGB(0xC0, 0x20, 0x20), ScreenPixel(hwnd, inside_child));
  EXPECT_EQ(RGB(0x20, 0x40, 0xC0), ScreenPixel(hwnd, beside_child));
  EXPECT_EQ(RGB(0xC0, 0x20, 0x20), ScreenPixel(hwnd, Point(150, 200)));

  // After a move the whole surface is presented again at the new place.
  Rect window_rect;
  ::GetWindowRect(hwnd, &window_rect);
  ::SetWindowPos(hwnd, nullptr, window_rect.left + 40, window_rect.top + 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  child->SetBkColor(L"blue");
  ::UpdateWindow(hwnd);
  EXPECT_EQ(RGB(0x20, 0x40, 0xC0), ScreenPixel(hwnd, inside_child));
  EXPECT_EQ(RGB(0x20, 0x40, 0xC0), ScreenPixel(hwnd, beside_child));
  EXPECT_EQ(RGB(0xC0, 0x20, 0x20), ScreenPixel(hwnd, Point(150, 200)));
}

TEST_F(WindowTest, WindowWithoutLayeringCopiesItsSurfaceToTheScreen) {
  ASSERT_NE(nullptr, Open(L"plain.xml", false));
  HWND hwnd = frame_->GetHWND();
  EXPECT_EQ(0, ::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  frame_->PaintNow();
  HDC dc = ::GetDC(hwnd);
  const COLORREF pixel = ::GetPixel(dc, 150, 100);
  ::ReleaseDC(hwnd, dc);
  // bkcolor "blue" is 0xFF2040C0; GetPixel answers 0x00BBGGRR.
  EXPECT_EQ(RGB(0x20, 0x40, 0xC0), pixel);
}

}  // namespace
}  // namespace ui
