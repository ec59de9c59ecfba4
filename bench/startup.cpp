// How long the player waits for the start window: from CreateProcess to the
// window being shown, and to its first frame actually on the screen, against
// two baselines in the same run: starting and ending an empty program, and
// the platform's floor for this window, a minimal program that starts GDI+,
// decodes the same start picture and shows it in a layered window of the
// same size. Every program is watched from outside only, as the player sees
// it.
//
// The start window fades in from alpha 0, so "shown" (the native window is
// visible), "first visible frame" (its pixels differ from the desktop behind
// it) and "settled" (its pixels stopped changing: the fade is over) are
// reported apart.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/path_util.h"
#include "base/string_conversions.h"
#include "tests/support/test_support.h"
#include "bench/bench_support.h"

namespace {

constexpr int kRuns = 10;
constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;
// A frame counts as on screen once this share of the window's pixels
// differs from the desktop captured before the start.
constexpr double kVisibleShare = 0.02;
constexpr int kChannelThreshold = 16;
// The picture is still once no pixel has changed for this long.
constexpr double kSettledAfterMs = 250;

// The program as it ships: exe, resources, config.ini and the engine folder.
std::wstring LayOutProgram(const std::wstring& program) {
  wchar_t temp[MAX_PATH] = {};
  DWORD length = ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp, length) + L"tarnwell_startup_bench\\";
  std::wstring resources = qbase::UTF8ToUTF16(TARNWELL_RESOURCES_DIR);
  if (!qbase::CreateDirectories(folder + L"cef")) return std::wstring();
  if (!::CopyFileW(program.c_str(), (folder + L"tarnwell.exe").c_str(), FALSE))
    return std::wstring();
  if (!test_support::CopyTree(resources, folder + L"resources")) return std::wstring();
  ::DeleteFileW((folder + L"resources\\config.ini").c_str());
  if (!::CopyFileW((resources + L"\\config.ini").c_str(), (folder + L"config.ini").c_str(), FALSE))
    return std::wstring();
  return folder;
}

class Process {
 public:
  ~Process() {
    if (!info_.hProcess) return;
    if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(info_.hProcess, 1);
      ::WaitForSingleObject(info_.hProcess, kExitTimeoutMs);
    }
    ::CloseHandle(info_.hProcess);
    ::CloseHandle(info_.hThread);
  }
  bool Start(const std::wstring& program, const std::wstring& folder, const std::wstring& arguments = L"") {
    std::wstring line = L"\"" + program + L"\"";
    if (!arguments.empty()) line += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return ::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                            folder.empty() ? nullptr : folder.c_str(), &startup, &info_) != 0;
  }
  bool WaitForExit(DWORD timeout_ms) { return ::WaitForSingleObject(info_.hProcess, timeout_ms) == WAIT_OBJECT_0; }
  DWORD id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

struct WindowSearch {
  DWORD process;
  const wchar_t* class_name;
  HWND found;
};

BOOL CALLBACK FindStartWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  if (owner != search->process || !::IsWindowVisible(window) || std::wstring(name) != search->class_name) return TRUE;
  search->found = window;
  return FALSE;
}

// The screen's pixels as the player sees them, top-down BGRA.
class ScreenCapture {
 public:
  ScreenCapture() : width_(::GetSystemMetrics(SM_CXSCREEN)), height_(::GetSystemMetrics(SM_CYSCREEN)) {
    screen_ = ::GetDC(nullptr);
    memory_ = ::CreateCompatibleDC(screen_);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    bitmap_ = ::CreateDIBSection(memory_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = ::SelectObject(memory_, bitmap_);
  }
  ~ScreenCapture() {
    ::SelectObject(memory_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(memory_);
    ::ReleaseDC(nullptr, screen_);
  }
  ScreenCapture(const ScreenCapture&) = delete;
  ScreenCapture& operator=(const ScreenCapture&) = delete;

  bool ok() const { return bits_ != nullptr; }
  // CAPTUREBLT takes layered windows along, as the player sees them.
  void Grab() { ::BitBlt(memory_, 0, 0, width_, height_, screen_, 0, 0, SRCCOPY | CAPTUREBLT); }
  std::vector<unsigned char> Copy() const {
    return std::vector<unsigned char>(bits_, bits_ + static_cast<size_t>(width_) * height_ * 4);
  }
  // Share of the pixels inside |rect| that differ from |before|.
  double ChangedShare(const std::vector<unsigned char>& before, RECT rect) const {
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::min<LONG>(rect.right, width_);
    rect.bottom = std::min<LONG>(rect.bottom, height_);
    if (rect.right <= rect.left || rect.bottom <= rect.top) return 0.0;
    size_t changed = 0;
    for (LONG y = rect.top; y < rect.bottom; ++y) {
      for (LONG x = rect.left; x < rect.right; ++x) {
        size_t at = (static_cast<size_t>(y) * width_ + x) * 4;
        for (int channel = 0; channel < 3; ++channel) {
          if (std::abs(int(bits_[at + channel]) - int(before[at + channel])) > kChannelThreshold) {
            ++changed;
            break;
          }
        }
      }
    }
    return static_cast<double>(changed) / ((rect.right - rect.left) * (rect.bottom - rect.top));
  }

 private:
  int width_;
  int height_;
  HDC screen_ = nullptr;
  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  unsigned char* bits_ = nullptr;
};

struct StartTimes {
  double shown = -1;
  double first_frame = -1;
  double settled = -1;
  RECT window = {};
};

// A program that shows a window and is closed through it.
struct WindowProgram {
  std::wstring path;
  std::wstring arguments;
  std::wstring folder;  // current directory; empty keeps ours
  const wchar_t* class_name;
};

StartTimes TimeOneStart(const WindowProgram& subject, ScreenCapture& screen) {
  StartTimes times;
  screen.Grab();
  std::vector<unsigned char> desktop = screen.Copy();

  Process program;
  double start = bench::NowMilliseconds();
  if (!program.Start(subject.path, subject.folder, subject.arguments)) return times;
  WindowSearch search{program.id(), subject.class_name, nullptr};
  while (bench::NowMilliseconds() - start < kWindowTimeoutMs) {
    if (!search.found) {
      ::EnumWindows(&FindStartWindow, reinterpret_cast<LPARAM>(&search));
      if (search.found) times.shown = bench::NowMilliseconds() - start;
    }
    if (search.found) {
      RECT rect = {};
      ::GetWindowRect(search.found, &rect);
      screen.Grab();
      if (screen.ChangedShare(desktop, rect) >= kVisibleShare) {
        times.first_frame = bench::NowMilliseconds() - start;
        break;
      }
    }
    ::Sleep(1);
  }
  if (times.first_frame >= 0) {
    RECT rect = {};
    ::GetWindowRect(search.found, &rect);
    std::vector<unsigned char> previous = screen.Copy();
    double last_change = times.first_frame;
    while (bench::NowMilliseconds() - start < kWindowTimeoutMs &&
           bench::NowMilliseconds() - start - last_change < kSettledAfterMs) {
      ::Sleep(1);
      screen.Grab();
      if (screen.ChangedShare(previous, rect) > 0.0) {
        last_change = bench::NowMilliseconds() - start;
        previous = screen.Copy();
      }
    }
    times.settled = last_change;
    times.window = rect;
  }
  if (search.found) ::PostMessageW(search.found, WM_CLOSE, 0, 0);
  program.WaitForExit(kExitTimeoutMs);
  // Let the screen settle before the next start captures the desktop.
  ::Sleep(300);
  return times;
}

double TimeEmptyProgram() {
  Process program;
  double start = bench::NowMilliseconds();
  if (!program.Start(qbase::UTF8ToUTF16(EMPTY_PROGRAM_PATH), std::wstring())) return -1;
  if (!program.WaitForExit(kExitTimeoutMs)) return -1;
  return bench::NowMilliseconds() - start;
}

struct Series {
  std::vector<double> shown, first_frame, settled;
  int missed_frames = 0;

  void Add(const StartTimes& times) {
    if (times.shown >= 0) shown.push_back(times.shown);
    if (times.first_frame >= 0) {
      first_frame.push_back(times.first_frame);
      settled.push_back(times.settled);
    } else {
      ++missed_frames;
    }
  }
  void Print(const char* name) const {
    std::printf("%s_shown: %.1f ms\n", name, bench::Median(shown));
    if (first_frame.empty()) return;
    std::printf("%s_first_visible_frame: %.1f ms\n", name, bench::Median(first_frame));
    std::printf("%s_settled: %.1f ms\n", name, bench::Median(settled));
  }
};

void PrintRatio(const char* name, const std::vector<double>& subject, const std::vector<double>& baseline) {
  if (subject.empty() || baseline.empty()) return;
  std::printf("%s: %.2f x\n", name, bench::Median(subject) / bench::Median(baseline));
}

}  // namespace

// An argument names another build of the program to time, for comparisons.
int main(int argc, char** argv) {
  const std::wstring program = qbase::UTF8ToUTF16(argc > 1 ? argv[1] : TARNWELL_EXE_PATH);
  std::wstring folder = LayOutProgram(program);
  if (folder.empty()) {
    std::fprintf(stderr, "could not lay out the program\n");
    return 1;
  }
  ScreenCapture screen;
  if (!screen.ok()) {
    std::fprintf(stderr, "no screen to capture\n");
    return 1;
  }
  const WindowProgram client{folder + L"tarnwell.exe", L"", folder, L"Game_start"};

  // One warm-up of each, so that none pays for a cold disk cache. The
  // client's warm-up also tells the floor how large its window is.
  TimeEmptyProgram();
  const StartTimes warm = TimeOneStart(client, screen);
  const int width = warm.window.right - warm.window.left;
  const int height = warm.window.bottom - warm.window.top;
  if (width <= 0 || height <= 0) {
    std::fprintf(stderr, "the start window did not show\n");
    return 1;
  }
  const WindowProgram floor{qbase::UTF8ToUTF16(STARTUP_FLOOR_PATH),
                            std::to_wstring(width) + L" " + std::to_wstring(height) + L" \"" + folder +
                                L"resources\\themes\\default\\cef\\start\\start_bg.png\"",
                            std::wstring(), L"StartupFloor"};
  TimeOneStart(floor, screen);

  std::vector<double> empty;
  Series start_window, floor_window;
  for (int run = 0; run < kRuns; ++run) {
    double baseline = TimeEmptyProgram();
    if (baseline >= 0) empty.push_back(baseline);
    floor_window.Add(TimeOneStart(floor, screen));
    start_window.Add(TimeOneStart(client, screen));
  }
  if (empty.empty() || start_window.shown.empty() || floor_window.shown.empty()) {
    std::fprintf(stderr, "the programs did not start\n");
    return 1;
  }
  if (start_window.missed_frames)
    std::fprintf(stderr, "%d of %d starts showed no frame on the screen\n", start_window.missed_frames, kRuns);

  std::printf("empty_program_start_to_exit: %.1f ms\n", bench::Median(empty));
  floor_window.Print("floor_window");
  start_window.Print("start_window");
  PrintRatio("ratio_window_shown_to_empty_program", start_window.shown, empty);
  PrintRatio("ratio_window_shown_to_floor", start_window.shown, floor_window.shown);
  PrintRatio("ratio_first_visible_frame_to_floor", start_window.first_frame, floor_window.first_frame);
  PrintRatio("ratio_settled_to_floor", start_window.settled, floor_window.settled);
  return 0;
}
