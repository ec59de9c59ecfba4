// The rich edit in a real window: typing through real key and character
// messages, the clipboard, links, the prompt and a missing engine.
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "tests/ui/manual_timers.h"
#include "tests/ui/mutated_layouts.h"
#include "tests/ui/render_support.h"
#include "tests/ui/test_skin.h"
#include "tests/ui/test_window.h"
#include "ui/controls/on_screen_keyboard_manager.h"
#include "ui/controls/rich_edit.h"
#include "ui/core/resource_manager.h"

namespace ui {
namespace {

using test::ScopedKeyState;
using test::TestWindow;

constexpr uint32_t kPromptRed = 0xFFE00000;
constexpr uint32_t kInk = 0xFF102080;

// What the clipboard holds, written and read the way another program
// would.
struct Clipboard {
  static void Put(const std::wstring& text, bool with_picture) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(::GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    if (with_picture) {
      HDC screen = ::GetDC(nullptr);
      ::SetClipboardData(CF_BITMAP, ::CreateCompatibleBitmap(screen, 8, 8));
      ::ReleaseDC(nullptr, screen);
    }
    ::CloseClipboard();
  }
  static std::wstring Text() {
    std::wstring text;
    if (!::OpenClipboard(nullptr)) return L"<closed>";
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
      text = static_cast<const wchar_t*>(::GlobalLock(data));
      ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
  }
  static bool HasPicture() { return ::IsClipboardFormatAvailable(CF_BITMAP) || ::IsClipboardFormatAvailable(CF_DIB); }
};

class RichEditWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    skin_ = std::make_unique<test::ScopedTestSkin>();
    ResourceManager::AddTextColor(L"edit_white", 0xFFFFFFFF);
    ResourceManager::AddTextColor(L"edit_field", 0xFFF4F6FA);
    ResourceManager::AddTextColor(L"edit_border", 0xFF8890A8);
    ResourceManager::AddTextColor(L"edit_ink", kInk);
    ResourceManager::AddTextColor(L"edit_prompt", kPromptRed);
    ResourceManager::AddFont(L"Arial", L"edit_font", 16, false, false, false, false);
  }
  void TearDown() override {
    TestWindow::Destroy(window_);
    RichEdit::SetLibraryForTesting(std::wstring());
    skin_.reset();
  }

  // A form of one field per mode, 24 pixels apart.
  void OpenForm(const std::wstring& extra = std::wstring()) {
    const std::wstring field =
        L" height=\"28\" font=\"edit_font\" normaltextcolor=\"edit_ink\" bkcolor=\"edit_field\" "
        L"bordersize=\"1\" bordercolor=\"edit_border\" padding=\"4,4,4,4\" ";
    window_ = TestWindow::Open(
        L"<Window size=\"360,320\" caption=\"0,0,0,320\" shadowattached=\"false\"><VBox bkcolor=\"edit_white\" "
        L"padding=\"12,12,12,12\" childmargin=\"8\">"
        L"<Label name=\"title\" text=\"Sign in\" height=\"20\" normaltextcolor=\"edit_ink\"/>"
        L"<RichEdit name=\"single\"" +
        field +
        L"/>"
        L"<RichEdit name=\"password\" password=\"true\"" +
        field +
        L"/>"
        L"<RichEdit name=\"digits\" number=\"true\"" +
        field +
        L"/>"
        L"<RichEdit name=\"prompt\" promptmode=\"true\" prompttext=\"Type your name\" promptcolor=\"edit_prompt\"" +
        field +
        L"/>"
        L"<RichEdit name=\"multi\" multiline=\"true\" wantreturnmsg=\"true\" returnmsgwantctrl=\"true\" "
        L"vscrollbar=\"true\" font=\"edit_font\" normaltextcolor=\"edit_ink\" bkcolor=\"edit_field\" "
        L"bordersize=\"1\" bordercolor=\"edit_border\" padding=\"4,4,4,4\" " +
        extra +
        L"/>"
        L"</VBox></Window>");
    ASSERT_NE(nullptr, window_);
  }
  RichEdit* Edit(const wchar_t* name) { return dynamic_cast<RichEdit*>(window_->FindControl(name)); }

  // Clicks the field and types |text| as the keyboard would: a key down
  // with the character that translating it makes.
  void Type(RichEdit* edit, const std::wstring& text, bool click = true) {
    if (click) window_->Click(TestWindow::Center(edit));
    for (wchar_t c : text) {
      const SHORT key = ::VkKeyScanW(c);
      if (key != -1) window_->KeyDown(LOBYTE(key));
      window_->Char(c);
      if (key != -1) window_->KeyUp(LOBYTE(key));
    }
  }
  void PressWithCtrl(WPARAM key) {
    ScopedKeyState ctrl({VK_CONTROL});
    window_->KeyDown(key);
    window_->KeyUp(key);
  }
  // Pixels inside the field's border that are not its background.
  int CountInk(RichEdit* edit) {
    window_->PaintNow();
    IRenderContext* surface = window_->GetRenderContext();
    const Rect rect = edit->GetPos();
    int count = 0;
    for (int y = rect.top + 2; y < rect.bottom - 2; ++y) {
      for (int x = rect.left + 2; x < rect.right - 2; ++x)
        count += !test::NearRgb(0xFFF4F6FA, test::PixelAt(*surface, x, y), 24);
    }
    return count;
  }
  int CountPixels(RichEdit* edit, uint32_t color) {
    window_->PaintNow();
    IRenderContext* surface = window_->GetRenderContext();
    const Rect rect = edit->GetPos();
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
      for (int x = rect.left; x < rect.right; ++x) count += test::NearRgb(color, test::PixelAt(*surface, x, y), 40);
    }
    return count;
  }

  std::unique_ptr<test::ScopedTestSkin> skin_;
  TestWindow* window_ = nullptr;
};

TEST_F(RichEditWindow, TypedAndSetTextRoundTripsAtAnyLength) {
  OpenForm();
  RichEdit* single = Edit(L"single");
  ASSERT_NE(nullptr, single);
  ASSERT_TRUE(single->HasEngine());
  int changes = 0;
  single->AttachEvent(kEventTextChange, [&changes](EventArgs*) { return ++changes > 0; });
  Type(single, L"Hello");
  EXPECT_EQ(window_->GetFocus(), single);
  EXPECT_EQ(L"Hello", single->GetText());
  EXPECT_EQ(5, changes);
  // Chinese arrives as UTF-16 characters like any other.
  Type(single, L"\u4f60\u597d\u4e16\u754c", false);
  EXPECT_EQ(L"Hello\u4f60\u597d\u4e16\u754c", single->GetText());
  EXPECT_EQ("Hello\xE4\xBD\xA0\xE5\xA5\xBD\xE4\xB8\x96\xE7\x95\x8C", single->GetUTF8Text());

  // A long text comes back whole from a field made for it.
  RichEdit* multi = Edit(L"multi");
  multi->SetLimitText(100000);
  std::wstring long_text;
  for (int i = 0; long_text.size() < 100000; ++i) long_text += L"line " + std::to_wstring(i) + L" \u6587\u5b57\r\n";
  long_text.resize(100000 - 2);
  long_text += L"\r\n";
  multi->SetText(long_text);
  EXPECT_EQ(100000, multi->GetTextLength());
  EXPECT_EQ(long_text, multi->GetText());
  // A field keeps at most its limit, however much the program hands it.
  const std::wstring huge(10 * 1024 * 1024, L'7');
  single->SetLimitText(1000);
  single->SetText(huge);
  EXPECT_EQ(single->GetLimitText(), single->GetTextLength());
  EXPECT_EQ(huge.substr(0, single->GetLimitText()), single->GetText());
  // Lone surrogates are kept as they came.
  const std::wstring broken = std::wstring(L"a") + wchar_t(0xD800) + L"b" + wchar_t(0xDC00);
  single->SetText(broken);
  EXPECT_EQ(broken, single->GetText());
  single->SetSel(-1, -1);
  Type(single, L"xy", false);
  EXPECT_EQ(broken + L"xy", single->GetText()) << "typing after hostile text keeps every character";
}

TEST_F(RichEditWindow, PasswordTextNeverShowsOrLeavesTheField) {
  OpenForm();
  RichEdit* password = Edit(L"password");
  Type(password, L"WWWWWW");
  EXPECT_EQ(L"WWWWWW", password->GetText()) << "the program reads the real text";
  window_->Click(TestWindow::Center(window_->FindControl(L"title")));  // no caret in the picture
  const int wide = CountInk(password);
  password->SetText(L"iiiiii");
  const int narrow = CountInk(password);
  EXPECT_GT(wide, 0);
  EXPECT_EQ(wide, narrow) << "both show six masks, never the letters";
  EXPECT_EQ(std::wstring::npos, password->GetToolTipText().find(L"iiiiii"));

  // Copying or cutting a password leaves the clipboard alone.
  Clipboard::Put(L"before", false);
  password->SetSelAll();
  PressWithCtrl('C');
  PressWithCtrl('X');
  password->Copy();
  EXPECT_EQ(L"before", Clipboard::Text());
  EXPECT_EQ(L"iiiiii", password->GetText());
}

TEST_F(RichEditWindow, DigitsOnlyTakesDigitsAndLeavesTheClipboardAsItWas) {
  OpenForm();
  RichEdit* digits = Edit(L"digits");
  Type(digits, L"1a2b3 .");
  EXPECT_EQ(L"123", digits->GetText());
  // Backspace still edits: as a key and as the character it makes.
  window_->KeyDown(VK_BACK);
  window_->Char(L'\b');
  EXPECT_EQ(L"12", digits->GetText());

  Clipboard::Put(L"4x5y6", true);
  PressWithCtrl('V');
  EXPECT_EQ(L"12456", digits->GetText());
  EXPECT_EQ(L"4x5y6", Clipboard::Text()) << "the user's clipboard is untouched";
  EXPECT_TRUE(Clipboard::HasPicture()) << "and keeps every format it had";
  {
    ScopedKeyState shift({VK_SHIFT});
    window_->KeyDown(VK_INSERT);
  }
  EXPECT_EQ(L"12456456", digits->GetText());
  Clipboard::Put(L"no digits here", true);
  PressWithCtrl('V');
  EXPECT_EQ(L"12456456", digits->GetText());
  EXPECT_TRUE(Clipboard::HasPicture());

  // Elsewhere a paste takes the clipboard as it is.
  Clipboard::Put(L"a1", false);
  RichEdit* single = Edit(L"single");
  window_->Click(TestWindow::Center(single));
  PressWithCtrl('V');
  EXPECT_EQ(L"a1", single->GetText());
}

TEST_F(RichEditWindow, ReturnAndCtrlReturnFollowTheReturnAttributes) {
  OpenForm();
  RichEdit* multi = Edit(L"multi");
  int returns = 0;
  multi->AttachEvent(kEventReturn, [&returns](EventArgs*) { return ++returns > 0; });
  Type(multi, L"a");
  window_->KeyDown(VK_RETURN);
  window_->Char(L'\r');
  Type(multi, L"b", false);
  EXPECT_EQ(L"a\r\nb", multi->GetText()) << "a plain Return breaks the line";
  EXPECT_EQ(0, returns);
  {
    ScopedKeyState ctrl({VK_CONTROL});
    window_->KeyDown(VK_RETURN);
    window_->Char(L'\n');
  }
  EXPECT_EQ(1, returns);
  EXPECT_EQ(L"a\r\nb", multi->GetText()) << "Ctrl+Return is the event, not text";

  // Without the Ctrl rule a plain Return is the event.
  RichEdit* single = Edit(L"single");
  single->SetNeedReturnMsg(true);
  int single_returns = 0;
  single->AttachEvent(kEventReturn, [&single_returns](EventArgs*) { return ++single_returns > 0; });
  Type(single, L"go");
  window_->KeyDown(VK_RETURN);
  window_->Char(L'\r');
  EXPECT_EQ(1, single_returns);
  EXPECT_EQ(L"go", single->GetText());
}

TEST_F(RichEditWindow, TabIsAnEventOrTextAsTheFieldWants) {
  OpenForm();
  RichEdit* single = Edit(L"single");
  RichEdit* password = Edit(L"password");
  int tabs = 0;
  password->AttachEvent(kEventTab, [&tabs](EventArgs*) { return ++tabs > 0; });
  Type(single, L"x");
  window_->KeyDown(VK_TAB);
  EXPECT_EQ(password, window_->GetFocus()) << "Tab moves on";
  window_->Char(L'\t');
  EXPECT_EQ(1, tabs);
  EXPECT_EQ(L"", password->GetText());
  EXPECT_EQ(L"x", single->GetText());

  RichEdit* multi = Edit(L"multi");
  multi->SetWantTab(true);
  Type(multi, L"a");
  window_->KeyDown(VK_TAB);
  EXPECT_EQ(multi, window_->GetFocus()) << "a field that wants Tab keeps the focus";
  window_->Char(L'\t');
  EXPECT_EQ(L"a\t", multi->GetText());
}

TEST_F(RichEditWindow, PromptShowsOnlyWhileEmptyAndUnfocused) {
  OpenForm();
  RichEdit* prompt = Edit(L"prompt");
  EXPECT_GT(CountPixels(prompt, kPromptRed), 20);
  window_->Click(TestWindow::Center(prompt));
  EXPECT_EQ(0, CountPixels(prompt, kPromptRed)) << "focused";
  Type(prompt, L"A", false);
  window_->Click(TestWindow::Center(Edit(L"single")));
  EXPECT_EQ(0, CountPixels(prompt, kPromptRed)) << "not empty";
  prompt->SetText(std::wstring());
  EXPECT_GT(CountPixels(prompt, kPromptRed), 20);
  prompt->SetReadOnly(true);
  EXPECT_EQ(0, CountPixels(prompt, kPromptRed)) << "read-only fields show no prompt";
}

TEST_F(RichEditWindow, DisabledFieldShowsItsDisabledColourAndTakesNoKeys) {
  OpenForm();
  RichEdit* single = Edit(L"single");
  Type(single, L"abc");
  single->SetAttribute(L"disabledtextcolor", L" edit_prompt");
  EXPECT_EQ(0, CountPixels(single, kPromptRed));
  single->SetEnabled(false);
  EXPECT_GT(CountPixels(single, kPromptRed), 10);
  single->SendEvent(kEventChar, L'x', 0, L'x');
  EXPECT_EQ(L"abc", single->GetText());
  single->SetEnabled(true);
  EXPECT_EQ(0, CountPixels(single, kPromptRed));
  EXPECT_GT(CountPixels(single, kInk), 10);
}

TEST_F(RichEditWindow, SelectionCopyAndPasteGoThroughTheClipboard) {
  OpenForm();
  RichEdit* single = Edit(L"single");
  Type(single, L"hello world");
  single->SetSel(0, 5);
  EXPECT_EQ(L"hello", single->GetSelText());
  single->Copy();
  EXPECT_EQ(L"hello", Clipboard::Text());
  single->SetSel(-1, -1);
  single->Paste();
  EXPECT_EQ(L"hello worldhello", single->GetText());
  // The keyboard does the same.
  PressWithCtrl('A');
  PressWithCtrl('C');
  EXPECT_EQ(L"hello worldhello", Clipboard::Text());
  single->SetSel(0, 6);
  PressWithCtrl('X');
  EXPECT_EQ(L"worldhello", single->GetText());
  EXPECT_EQ(L"hello ", Clipboard::Text());
  EXPECT_TRUE(single->Undo());
  EXPECT_EQ(L"hello worldhello", single->GetText());
}

// Runs |action| with the standard output going to a file, and returns what
// was written.
std::string CaptureStdout(const std::function<void()>& action) {
  const std::wstring path = test::MakeTempFolder(L"rich_edit_stdout") + L"out.txt";
  std::fflush(stdout);
  const int saved = _dup(_fileno(stdout));
  FILE* file = _wfopen(path.c_str(), L"wb");
  _dup2(_fileno(file), _fileno(stdout));
  action();
  std::fflush(stdout);
  _dup2(saved, _fileno(stdout));
  _close(saved);
  std::fclose(file);
  return test::ReadTestFile(path);
}

TEST_F(RichEditWindow, LinkClickRaisesTheEventAndWritesTheTrace) {
  OpenForm(L"rich=\"true\" readonly=\"true\" text=\"Visit http://example.test today\"");
  RichEdit* multi = Edit(L"multi");
  multi->AddLinkInfo(6, 25, L"http://example.test");
  std::wstring clicked;
  multi->AttachEvent(kEventLinkClick, [&clicked](EventArgs* args) {
    clicked = reinterpret_cast<const wchar_t*>(args->lparam);
    return true;
  });
  // A point inside the link's characters.
  POINTL at = {0, 0};
  multi->TxSendMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), 10);
  const Point point(at.x + 2, at.y + 6);
  EXPECT_FALSE(multi->GetLinkAt(point).empty());
  const std::string out = CaptureStdout([&] { window_->Click(point); });
  EXPECT_EQ(L"http://example.test", clicked);
  EXPECT_NE(std::string::npos, out.find("[Link]http://example.test\n")) << out;
  // Elsewhere in the text there is no link.
  clicked.clear();
  window_->Click(Point(multi->GetPos().left + 6, multi->GetPos().top + 8));
  EXPECT_TRUE(clicked.empty());
}

TEST_F(RichEditWindow, LongTextScrollsWithTheBoxesBar) {
  OpenForm();
  RichEdit* multi = Edit(L"multi");
  std::wstring text;
  for (int i = 0; i < 40; ++i) text += L"row " + std::to_wstring(i) + L"\r\n";
  multi->SetText(text);
  window_->PaintNow();
  ScrollBar* bar = multi->GetVerticalScrollBar();
  ASSERT_NE(nullptr, bar);
  EXPECT_GT(multi->GetScrollRange().cy, 300);
  EXPECT_EQ(0, multi->TxSendMessage(EM_GETFIRSTVISIBLELINE, 0, 0));
  multi->SetScrollPos(Size(0, 200));
  EXPECT_EQ(200, multi->GetScrollPos().cy);
  EXPECT_GT(multi->TxSendMessage(EM_GETFIRSTVISIBLELINE, 0, 0), 5);
  multi->HomeUp();
  EXPECT_EQ(0, multi->GetScrollPos().cy);
  EXPECT_EQ(0, multi->TxSendMessage(EM_GETFIRSTVISIBLELINE, 0, 0));
  EXPECT_LE(multi->GetVerticalScrollBar()->GetPos().right, multi->GetPos().right);
}

TEST_F(RichEditWindow, CaptionHitsTextFieldsAndDragsOnLabels) {
  OpenForm();
  auto hit = [this](Control* control) {
    POINT point = {TestWindow::Center(control).x, TestWindow::Center(control).y};
    ::ClientToScreen(window_->GetHWND(), &point);
    return window_->Send(WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
  };
  EXPECT_EQ(HTCLIENT, hit(Edit(L"single")));
  EXPECT_EQ(HTCLIENT, hit(Edit(L"multi")));
  EXPECT_EQ(HTCAPTION, hit(window_->FindControl(L"title")));
}

TEST_F(RichEditWindow, TouchAsksForTheKeyboardAndLeavingHidesIt) {
  OpenForm();
  OnScreenKeyboardManager* keyboard = OnScreenKeyboardManager::GetInstance();
  OnScreenKeyboardManager::Platform platform;
  platform.supported = [] { return true; };
  platform.toggle = [] { return true; };
  keyboard->SetPlatformForTesting(platform);
  test::ManualTimers timers;
  keyboard->SetTimerServiceForTesting(timers.service());
  RichEdit* single = Edit(L"single");
  single->SetFocus();
  single->SendEvent(kEventPointerDown, 0, 0, 0, 1.0f, TestWindow::Center(single));
  EXPECT_TRUE(keyboard->IsWanted());
  window_->Click(TestWindow::Center(window_->FindControl(L"title")));
  EXPECT_FALSE(keyboard->IsWanted()) << "focus went to the label";
  timers.Advance(20);
  keyboard->SetPlatformForTesting(OnScreenKeyboardManager::Platform());
  keyboard->SetTimerServiceForTesting(nullptr);
}

TEST_F(RichEditWindow, FormOfEveryModeLooksRight) {
  OpenForm(L"text=\"A multi-line field\r\nwith a second line\"");
  Type(Edit(L"single"), L"player@example.test");
  Type(Edit(L"password"), L"hunter2");
  Type(Edit(L"digits"), L"20250101");
  window_->Click(TestWindow::Center(Edit(L"single")));
  window_->PaintNow();
  std::unique_ptr<IRenderContext> copy = window_->GetRenderContext()->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*copy, L"rich_edit_form.png").empty());
}

TEST_F(RichEditWindow, WithoutTheEngineLibraryTheFieldStillShowsItself) {
  RichEdit::SetLibraryForTesting(L"no_such_text_engine.dll");
  OpenForm(L"text=\"Shown without an engine\"");
  RichEdit* multi = Edit(L"multi");
  ASSERT_NE(nullptr, multi);
  EXPECT_FALSE(multi->HasEngine());
  EXPECT_EQ(L"Shown without an engine", multi->GetText());
  EXPECT_GT(CountPixels(multi, kInk), 20) << "its text in its colour";
  EXPECT_GT(CountPixels(multi, 0xFFF4F6FA), 200) << "on its own background";
  Type(multi, L"typed");
  window_->KeyDown(VK_RETURN);
  multi->SetScrollPos(Size(0, 50));
  multi->PageDown();
  EXPECT_EQ(L"Shown without an engine", multi->GetText());
}

TEST_F(RichEditWindow, HostileLimitsAndTextsAreClamped) {
  OpenForm(L"limittext=\"-5\"");
  RichEdit* multi = Edit(L"multi");
  EXPECT_EQ(0x7FFF, multi->GetLimitText());
  multi->SetAttribute(L"limittext", L"99999999999");
  EXPECT_EQ(0x7FFFFFFF, multi->GetLimitText());
  multi->SetAttribute(L"limittext", L"3");
  Type(multi, L"abcdef");
  EXPECT_EQ(L"abc", multi->GetText()) << "typing stops at the limit";

  // Mutated skins of a field never crash the builder.
  const std::string base =
      "<Window><VBox><RichEdit name=\"e\" multiline=\"true\" number=\"true\" align=\"hcenter vcenter\" "
      "limittext=\"10\" vscrollbar=\"true\" text=\"12345\" promptmode=\"true\" prompttext=\"p\"/></VBox></Window>";
  const int before = Control::GetInstanceCount();
  EXPECT_GT(test::BuildMutatedLayouts(base, 77, 400), 8);
  EXPECT_EQ(before, Control::GetInstanceCount());
}

}  // namespace
}  // namespace ui
