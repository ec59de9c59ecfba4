#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <random>
#include <string>

#include "app/window_messages.h"
#include "app/window_names.h"
#include "program_folder.h"
#include "tests/support/test_support.h"

using namespace app_test;

namespace {

// A cold start under an emulator can take several seconds.
constexpr DWORD kStartTimeout = 30000;
constexpr DWORD kExitTimeout = 30000;

// From the skin: the picture is 960 x 600 inside a 14-pixel shadow, and the
// close button's centre lies 24 pixels left of and 19 below the picture's
// top-right corner.
constexpr int kShadow = 14;
constexpr int kPictureWidth = 960;
constexpr int kPictureHeight = 600;
constexpr int kCloseFromRight = 24;
constexpr int kCloseFromTop = 19;

const wchar_t kMissingEngineCaption[] = L"\u63D0\u793A";
const wchar_t kMissingEngineText[] = L"\u8BF7\u89E3\u538BCef.rar\u538B\u7F29\u5305";

std::wstring TitleOf(HWND window) {
  wchar_t text[256] = {};
  int length = ::GetWindowTextW(window, text, 256);
  return std::wstring(text, length > 0 ? length : 0);
}

void ClickClose(HWND window) {
  RECT client = {};
  ::GetClientRect(window, &client);
  ClickAt(window, client.right - kShadow - kCloseFromRight, kShadow + kCloseFromTop);
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes(::GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  ::CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

// Starts the program in |folder|, expects its start window and closes it
// with the close button; the program must end with code 0.
void StartAndCloseFromTheButton(const std::wstring& folder, const std::function<void(HWND)>& while_open = nullptr) {
  ChildProgram program;
  ASSERT_TRUE(program.Start(folder));
  HWND window = program.WaitForWindow(tarnwell::kStartWindowName, kStartTimeout);
  ASSERT_NE(window, nullptr);
  if (while_open) while_open(window);
  // A click that arrives before the first layout meets no button yet, as
  // it would for a player clicking before the picture is there: click
  // again until the program ends.
  long exit_code = -1;
  for (DWORD waited = 0; exit_code == -1 && waited < kExitTimeout; waited += 1500) {
    ClickClose(window);
    exit_code = program.WaitForExit(1500);
  }
  EXPECT_EQ(exit_code, 0);
}

TEST(StartWindow, OpensCentredOnTheWorkAreaAndItsCloseButtonEndsTheProgram) {
  std::wstring folder = LayOutProgram(L"start_and_close");
  ASSERT_FALSE(folder.empty());
  ChildProgram program;
  ASSERT_TRUE(program.Start(folder));
  HWND window = program.WaitForWindow(tarnwell::kStartWindowName, kStartTimeout);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(TitleOf(window), L"Tarnwell");

  RECT rect = {};
  ASSERT_TRUE(::GetWindowRect(window, &rect));
  EXPECT_EQ(rect.right - rect.left, kPictureWidth + 2 * kShadow);
  EXPECT_EQ(rect.bottom - rect.top, kPictureHeight + 2 * kShadow);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor));
  const RECT& work = monitor.rcWork;
  EXPECT_LE(std::abs((rect.left + rect.right) - (work.left + work.right)), 2);
  EXPECT_LE(std::abs((rect.top + rect.bottom) - (work.top + work.bottom)), 2);

  // The login window is there, hidden while its page cannot load (this
  // engine serves no portal), in its place over the picture.
  HWND login = program.WaitForWindowOfClass(tarnwell::kLoginWindowName, kStartTimeout);
  ASSERT_NE(login, nullptr);
  EXPECT_EQ(TitleOf(login), tarnwell::kLoginWindowName);
  EXPECT_EQ(::GetWindow(login, GW_OWNER), window);
  RECT login_rect = {};
  ASSERT_TRUE(::GetWindowRect(login, &login_rect));
  EXPECT_EQ(login_rect.left, rect.left + 550);
  EXPECT_EQ(login_rect.top, rect.top + 252);
  EXPECT_EQ(login_rect.right - login_rect.left, 380);

  // Nothing ends the program but the player.
  EXPECT_EQ(program.WaitForExit(1000), -1);
  EXPECT_FALSE(::IsWindowVisible(login));
  // A click beside the button does nothing.
  ClickAt(window, kShadow + 200, kShadow + 300);
  EXPECT_EQ(program.WaitForExit(1000), -1);
  const ULONGLONG clicked = ::GetTickCount64();
  ClickClose(window);
  EXPECT_EQ(program.WaitForExit(kExitTimeout), 0);
  // The close does not wait for the engine's browsers to report.
  EXPECT_LT(::GetTickCount64() - clicked, 10000u);
  EXPECT_FALSE(::IsWindow(window));
}

TEST(StartWindow, MissingFilesAreToldInAMessageBoxAndTheProgramEndsWithCodeZero) {
  struct Case {
    const wchar_t* name;
    bool engine_folder;
    const wchar_t* removed;  // below the laid-out folder
    std::wstring caption;
    std::wstring text;  // filled in below where it holds the path
  };
  Case cases[] = {
      {L"no_engine_folder", false, nullptr, kMissingEngineCaption, kMissingEngineText},
      {L"no_start_layout", true, L"resources\\themes\\default\\cef\\basic.xml", L"Plaxon", L""},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
    std::wstring folder = LayOutProgram(c.name, c.engine_folder);
    ASSERT_FALSE(folder.empty());
    if (c.removed) {
      ASSERT_TRUE(::DeleteFileW((folder + c.removed).c_str()));
      c.text = L"Failed to load xml file " + folder + c.removed;
    }
    ChildProgram program;
    ASSERT_TRUE(program.Start(folder));
    HWND box = program.WaitForTitledWindow(c.caption, kStartTimeout);
    ASSERT_NE(box, nullptr);
    std::vector<std::wstring> texts = ChildTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), c.text), texts.end()) << "no text " << c.text.size();
    EXPECT_EQ(program.WaitForExit(500), -1);  // waits for the answer

    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(program.WaitForExit(kExitTimeout), 0);
  }
}

// A start layout that stays inside every nesting limit and still asks for
// unbounded work: it includes itself a thousand times, names a class that
// names itself eight times, holds ten thousand siblings and a megabyte
// value. The program must show its window (or the load-failure box) soon and
// still end with code 0.
TEST(StartWindow, AHostileStartLayoutStillOpensAndCloses) {
  std::wstring folder = LayOutProgram(L"hostile_layout");
  ASSERT_FALSE(folder.empty());
  std::wstring layout = folder + L"resources\\themes\\default\\cef\\basic.xml";
  std::string text = ReadBytes(layout);
  const size_t bar = text.find("<HBox name=\"caption_bar\"");
  ASSERT_NE(bar, std::string::npos);
  std::string hostile = "<Class name=\"hostile\" value=\"class=&quot;";
  for (int i = 0; i < 8; ++i) hostile += "hostile ";
  hostile += "&quot;\"/>";
  const size_t window_end = text.find('>', text.find("<Window "));
  text.insert(window_end + 1, hostile);
  std::string siblings = "<Include source=\"cef\\basic.xml\" count=\"1000\"/><Control class=\"hostile\" name=\"" +
                         std::string(1 << 20, 'm') + "\"/>";
  for (int i = 0; i < 10000; ++i) siblings += "<Control width=\"1\" height=\"1\"/>";
  text.insert(text.find("<HBox name=\"caption_bar\""), siblings);
  ASSERT_TRUE(WriteBytes(layout, text));

  ChildProgram program;
  ASSERT_TRUE(program.Start(folder));
  HWND window = nullptr;
  HWND box = nullptr;
  for (DWORD waited = 0; !window && !box && waited < kStartTimeout; waited += 200) {
    window = program.WaitForWindow(tarnwell::kStartWindowName, 100);
    if (!window) box = program.WaitForTitledWindow(L"Plaxon", 100);
  }
  ASSERT_TRUE(window || box);
  if (box) {
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(program.WaitForExit(kExitTimeout), 0);
    return;
  }
  // It answers at once: the build is over. Alt+F4 closes it.
  DWORD_PTR result = 0;
  EXPECT_NE(::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result), 0);
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(program.WaitForExit(kExitTimeout), 0);
}

TEST(StartWindow, BadFilesAndForeignMessagesNeitherStopTheStartNorTheClose) {
  {
    SCOPED_TRACE("unknown elements and attributes in the start layout");
    std::wstring folder = LayOutProgram(L"unknown_markup");
    ASSERT_FALSE(folder.empty());
    std::wstring layout = folder + L"resources\\themes\\default\\cef\\basic.xml";
    std::string text = ReadBytes(layout);
    size_t root = text.find("<Window ");
    size_t end = text.rfind("</Box>");
    ASSERT_NE(root, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    text.insert(end, "<Sparkle glow=\"9\"><Button name=\"lost\"/></Sparkle><Control shimmer=\"x\" width=\"zz\"/>");
    text.insert(root + 8, "glow=\"bright\" size=\"-5,abc\" ");
    ASSERT_TRUE(WriteBytes(layout, text));
    StartAndCloseFromTheButton(folder);
  }
  {
    SCOPED_TRACE("5,000-character values in config.ini");
    std::wstring folder = LayOutProgram(L"long_config");
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(WriteBytes(folder + L"config.ini", "[trnw]\r\nuid=" + std::string(5000, '7') +
                                                       "\r\nfilename=" + std::string(5000, 'x') + "\r\n"));
    StartAndCloseFromTheButton(folder);
  }
  {
    SCOPED_TRACE("binary bytes in config.ini");
    std::wstring folder = LayOutProgram(L"binary_config");
    ASSERT_FALSE(folder.empty());
    std::mt19937 random(20240611);
    std::string bytes = "[trnw]\r\nuid=";
    for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<char>(random() & 0xFF));
    ASSERT_TRUE(WriteBytes(folder + L"config.ini", bytes));
    StartAndCloseFromTheButton(folder);
  }
  {
    SCOPED_TRACE("no language file");
    std::wstring folder = LayOutProgram(L"no_language");
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(::DeleteFileW((folder + L"resources\\lang\\zh_CN\\gdstrings.ini").c_str()));
    StartAndCloseFromTheButton(folder);
  }
  {
    SCOPED_TRACE("the window messages posted with parameters the program never made");
    std::wstring folder = LayOutProgram(L"foreign_messages");
    ASSERT_FALSE(folder.empty());
    StartAndCloseFromTheButton(folder, [](HWND window) {
      ::PostMessageW(window, tarnwell::OpenGameMessage, 0, 0);
      ::PostMessageW(window, tarnwell::OpenGameMessage, 0, 0x12345678);
      ::PostMessageW(window, tarnwell::OpenGameMessage, 0, static_cast<LPARAM>(-1));
      ::PostMessageW(window, tarnwell::BackToStartMessage, 7, 7);
      // The window outlives them and still answers.
      DWORD_PTR result = 0;
      EXPECT_NE(::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result), 0);
      EXPECT_TRUE(::IsWindowVisible(window));
    });
  }
}

}  // namespace
