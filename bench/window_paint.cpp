// Full repaints of the client's three windows, and the repaint after the
// mouse moves onto a caption button, each against one BitBlt of a surface
// of the same size, in this one process with the shipped skin; the start
// window is layered, so its repaints are also set against what presenting a
// bare layered window of its size costs, and the others' hovers against
// the paint cycle of a plain window that paints nothing of its own.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/basic_form.h"
#include "app/cef_form.h"
#include "app/cef_game_form.h"
#include "app/window_names.h"
#include "base/string_conversions.h"
#include "bench/bench_support.h"
#include "ui/core/control.h"
#include "ui/core/resource_manager.h"
#include "ui/render/gdi_handles.h"
#include "ui/render/render_interface.h"

namespace {

constexpr int kSamples = 40;

void Pump(DWORD milliseconds) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  while (::GetTickCount64() < deadline) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::Sleep(5);
  }
}

// The median of |samples| runs of |work|, in milliseconds; |between| runs
// unmeasured before each.
double MedianMs(const std::function<void()>& work, const std::function<void()>& between = nullptr) {
  std::vector<double> times;
  for (int i = 0; i < kSamples; ++i) {
    if (between) between();
    const double start = bench::NowMilliseconds();
    work();
    ::GdiFlush();
    times.push_back(bench::NowMilliseconds() - start);
  }
  return bench::Median(times);
}

// One BitBlt of a surface the size of |window|'s into another.
double BitBltMs(ui::Window* window) {
  ui::IRenderContext* surface = window->GetRenderContext();
  HDC source = surface->GetHdc();
  ui::UniqueMemoryDc target(::CreateCompatibleDC(source));
  ui::UniqueBitmap bitmap(::CreateCompatibleBitmap(source, surface->GetWidth(), surface->GetHeight()));
  ui::ScopedSelectObject select(target.get(), bitmap.get());
  return MedianMs(
      [&] { ::BitBlt(target.get(), 0, 0, surface->GetWidth(), surface->GetHeight(), source, 0, 0, SRCCOPY); });
}

double FullRepaintMs(ui::Window* window) {
  return MedianMs([window] { window->PaintNow(); });
}

// The mouse moves onto |name| from a point beside it; only the button's
// look changes, so only it should be painted again.
double HoverRepaintMs(ui::Window* window, const wchar_t* name) {
  ui::Control* button = window->FindControl(name);
  if (!button) return -1;
  const ui::Rect pos = button->GetPos();
  const LPARAM onto = MAKELPARAM((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
  const LPARAM beside = MAKELPARAM(pos.left - 60, (pos.top + pos.bottom) / 2);
  HWND hwnd = window->GetHWND();
  return MedianMs(
      [hwnd, onto] {
        ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, onto);
        ::UpdateWindow(hwnd);
      },
      [hwnd, beside] {
        ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, beside);
        ::UpdateWindow(hwnd);
        Pump(20);
      });
}

// What the platform alone charges to present a layered window the size of
// |window|'s: the whole surface, and only |dirty| of it, from a bare window
// of our own that paints nothing.
struct LayeredPresentMs {
  double whole = -1;
  double dirty = -1;
};

LayeredPresentMs LayeredPresentBaseline(ui::Window* window, const ui::Rect& dirty) {
  const int width = window->GetRenderContext()->GetWidth();
  const int height = window->GetRenderContext()->GetHeight();
  LayeredPresentMs result;
  HWND hwnd = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, width, height,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) return result;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  ui::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ui::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!bitmap || !dc) {
    ::DestroyWindow(hwnd);
    return result;
  }
  std::fill_n(static_cast<DWORD*>(bits), static_cast<size_t>(width) * height, 0xFF336699u);
  ui::ScopedSelectObject select(dc.get(), bitmap.get());
  POINT destination = {0, 0};
  SIZE size = {width, height};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  RECT dirty_rect = dirty;
  UPDATELAYEREDWINDOWINFO update = {};
  update.cbSize = sizeof(update);
  update.pptDst = &destination;
  update.psize = &size;
  update.hdcSrc = dc.get();
  update.pptSrc = &source;
  update.pblend = &blend;
  update.dwFlags = ULW_ALPHA;
  ::UpdateLayeredWindowIndirect(hwnd, &update);
  ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  Pump(50);
  result.whole = MedianMs([&] { ::UpdateLayeredWindowIndirect(hwnd, &update); });
  update.prcDirty = &dirty_rect;
  result.dirty = MedianMs([&] { ::UpdateLayeredWindowIndirect(hwnd, &update); });
  ::DestroyWindow(hwnd);
  return result;
}

// What the platform alone charges for one repaint of |dirty| through the
// paint cycle of a plain window of |window|'s size: the mouse message, the
// invalidation, WM_PAINT and one BitBlt of the dirty rectangle to the screen.
LRESULT CALLBACK BarePaintProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC screen = ::BeginPaint(hwnd, &paint);
    HDC source = reinterpret_cast<HDC>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (source) {
      const RECT& r = paint.rcPaint;
      ::BitBlt(screen, r.left, r.top, r.right - r.left, r.bottom - r.top, source, r.left, r.top, SRCCOPY);
    }
    ::EndPaint(hwnd, &paint);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

double PlainWindowRepaintMs(ui::Window* window, const ui::Rect& dirty) {
  WNDCLASSW klass = {};
  klass.lpfnWndProc = BarePaintProc;
  klass.hInstance = ::GetModuleHandleW(nullptr);
  klass.lpszClassName = L"TarnwellBenchBarePaint";
  ::RegisterClassW(&klass);
  const int width = window->GetRenderContext()->GetWidth();
  const int height = window->GetRenderContext()->GetHeight();
  HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, klass.lpszClassName, L"", WS_POPUP, 0, 0, width, height, nullptr,
                                nullptr, klass.hInstance, nullptr);
  if (!hwnd) return -1;
  HDC screen = ::GetDC(hwnd);
  ui::UniqueMemoryDc dc(::CreateCompatibleDC(screen));
  ui::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen, width, height));
  ::ReleaseDC(hwnd, screen);
  ui::ScopedSelectObject select(dc.get(), bitmap.get());
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dc.get()));
  ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  Pump(50);
  RECT dirty_rect = dirty;
  const double ms = MedianMs([&] {
    ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, 0);
    ::InvalidateRect(hwnd, &dirty_rect, FALSE);
    ::UpdateWindow(hwnd);
  });
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd);
  return ms;
}

void Print(const char* name, double subject, double baseline) {
  std::printf("%s_full_repaint: %.2f ms\n", name, subject);
  std::printf("%s_bitblt: %.3f ms\n", name, baseline);
}

}  // namespace

int main() {
  std::wstring resources = qbase::UTF8ToUTF16(TARNWELL_RESOURCES_DIR) + L"\\";
  ui::ResourceManager::Startup(resources, ui::ControlFactory(), L"themes\\default", L"lang\\zh_CN");

  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  auto* start = new tarnwell::BasicForm(std::wstring(temp) + L"tarnwell_bench_config.ini");
  if (!start->Create(nullptr, tarnwell::kStartWindowName, 0x00CE0000, 0, true, ui::Rect())) return 1;
  start->CenterWindow();
  start->ShowWindow(true, false);
  tarnwell::CefForm* login = start->login_window();
  if (!login) return 1;
  login->ShowWindow(true, false);

  // Maximised, as the client opens it; the figure means most on a
  // 1920 x 1080 display, and the size measured is printed.
  auto* game = new tarnwell::CefGameForm(L"http://trnw.plaxon.com/wd/?m=game|Tarnwell|S1");
  HWND game_hwnd = game->Create(nullptr, tarnwell::kGameWindowName, 0x11CF0000, 0, false, ui::Rect());
  if (!game_hwnd) return 1;
  // Fade-ins and first layouts settle.
  Pump(800);

  const double start_full = FullRepaintMs(start);
  const double start_blit = BitBltMs(start);
  const double login_full = FullRepaintMs(login);
  const double login_blit = BitBltMs(login);
  const double game_full = FullRepaintMs(game);
  const double game_blit = BitBltMs(game);
  const double hover = HoverRepaintMs(start, L"btn_close");
  const double login_hover = HoverRepaintMs(login, L"btn_refresh");
  const double game_hover = HoverRepaintMs(game, L"btn_close");
  ui::Control* start_close = start->FindControl(L"btn_close");
  const LayeredPresentMs start_present =
      LayeredPresentBaseline(start, start_close ? start_close->GetPos() : ui::Rect(0, 0, 36, 30));
  ui::Control* login_refresh = login->FindControl(L"btn_refresh");
  const double login_plain =
      PlainWindowRepaintMs(login, login_refresh ? login_refresh->GetPos() : ui::Rect(0, 0, 36, 30));
  ui::Control* game_close = game->FindControl(L"btn_close");
  const double game_plain = PlainWindowRepaintMs(game, game_close ? game_close->GetPos() : ui::Rect(0, 0, 36, 30));
  const ui::IRenderContext* game_surface = game->GetRenderContext();

  Print("start_window", start_full, start_blit);
  Print("login_window", login_full, login_blit);
  std::printf("game_window_size: %dx%d px (zoomed %d, screen %dx%d)\n", game_surface->GetWidth(),
              game_surface->GetHeight(), ::IsZoomed(game_hwnd) ? 1 : 0, ::GetSystemMetrics(SM_CXSCREEN),
              ::GetSystemMetrics(SM_CYSCREEN));
  Print("game_window", game_full, game_blit);
  std::printf("start_window_layered_present_whole: %.3f ms\n", start_present.whole);
  std::printf("start_window_layered_present_button: %.3f ms\n", start_present.dirty);
  std::printf("start_window_hover_repaint: %.3f ms\n", hover);
  std::printf("login_window_hover_repaint: %.3f ms\n", login_hover);
  std::printf("game_window_hover_repaint: %.3f ms\n", game_hover);
  std::printf("login_window_plain_window_button_repaint: %.3f ms\n", login_plain);
  std::printf("game_window_plain_window_button_repaint: %.3f ms\n", game_plain);
  std::printf("ratio_start_window_full_repaint_to_bitblt: %.1f x\n", start_full / start_blit);
  std::printf("ratio_login_window_full_repaint_to_bitblt: %.1f x\n", login_full / login_blit);
  std::printf("ratio_game_window_full_repaint_to_bitblt: %.1f x\n", game_full / game_blit);
  std::printf("ratio_start_window_hover_repaint_to_bitblt: %.2f x\n", hover / start_blit);
  std::printf("ratio_start_window_full_repaint_to_layered_present: %.1f x\n", start_full / start_present.whole);
  std::printf("ratio_start_window_hover_repaint_to_layered_present_button: %.2f x\n", hover / start_present.dirty);
  std::printf("ratio_login_window_hover_repaint_to_bitblt: %.2f x\n", login_hover / login_blit);
  std::printf("ratio_game_window_hover_repaint_to_bitblt: %.2f x\n", game_hover / game_blit);
  std::printf("ratio_login_window_hover_repaint_to_plain_window: %.2f x\n", login_hover / login_plain);
  std::printf("ratio_game_window_hover_repaint_to_plain_window: %.2f x\n", game_hover / game_plain);

  ::DestroyWindow(game_hwnd);
  ::DestroyWindow(login->GetHWND());
  ::DestroyWindow(start->GetHWND());
  ui::ResourceManager::Shutdown();
  return 0;
}
