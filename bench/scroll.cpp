// What one wheel step costs in a short and in a long list of labels: the
// scroll, the layout pass and the repaint of the visible area, through the
// real window. The long list must cost about what the short one costs,
// because only the visible rows are painted.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "tests/ui/manual_timers.h"
#include "tests/ui/test_window.h"
#include "ui/controls/label.h"
#include "ui/controls/scrollable_box.h"
#include "ui/core/resource_manager.h"
#include "ui/core/v_layout.h"

namespace {

using ui::test::TestWindow;

constexpr int kRounds = 7;
constexpr int kStepsPerRound = 40;

// One window with one 300 x 400 list of |rows| labels.
struct ListWindow {
  explicit ListWindow(int rows) {
    window = TestWindow::Open(
        L"<Window size=\"320,420\" shadowattached=\"false\"><VBox bkcolor=\"bench_white\">"
        L"<ScrollList name=\"list\" width=\"300\" height=\"400\" vscrollbar=\"true\"/></VBox></Window>",
        [](const std::wstring& name) -> ui::Control* {
          return name == L"ScrollList" ? new ui::ScrollableBox(std::make_unique<ui::VLayout>()) : nullptr;
        });
    if (!window) return;
    list = dynamic_cast<ui::ScrollableBox*>(window->FindControl(L"list"));
    list->SetTimerService(timers.service());
    for (int i = 0; i < rows; ++i) {
      auto* label = new ui::Label();
      label->SetText(L"Row " + std::to_wstring(i) + L" of the list");
      label->SetFixedWidth(ui::kLengthStretch);
      label->SetFixedHeight(24);
      label->SetStateTextColor(ui::kControlStateNormal, L"bench_ink");
      if (i % 2) label->SetBkColor(L"bench_stripe");
      list->Add(label);
    }
    window->PaintNow();
  }
  ~ListWindow() { TestWindow::Destroy(window); }

  // One wheel notch, the smooth scroll run to its end, and the repaint.
  void Step(int delta) {
    window->Wheel(TestWindow::Center(list), delta);
    timers.Advance(1000, 1000);
    // Paints what the scroll invalidated, as the next WM_PAINT would.
    ::UpdateWindow(window->GetHWND());
  }
  // Milliseconds per step over a round down and back up.
  double Round() {
    const double start = bench::NowMilliseconds();
    for (int i = 0; i < kStepsPerRound / 2; ++i) Step(-120);
    for (int i = 0; i < kStepsPerRound / 2; ++i) Step(120);
    return (bench::NowMilliseconds() - start) / kStepsPerRound;
  }

  TestWindow* window = nullptr;
  ui::ScrollableBox* list = nullptr;
  ui::test::ManualTimers timers;
};

}  // namespace

int main() {
  ui::ResourceManager::Startup(L".\\", nullptr, L"", L"");
  ui::ResourceManager::AddTextColor(L"bench_white", 0xFFFFFFFF);
  ui::ResourceManager::AddTextColor(L"bench_ink", 0xFF202030);
  ui::ResourceManager::AddTextColor(L"bench_stripe", 0xFFEEF0F6);

  ListWindow short_list(100);
  ListWindow long_list(10000);
  if (!short_list.list || !long_list.list) {
    std::fprintf(stderr, "no window\n");
    return 1;
  }
  short_list.Round();  // warm up both
  long_list.Round();
  std::vector<double> short_steps;
  std::vector<double> long_steps;
  for (int round = 0; round < kRounds; ++round) {
    short_steps.push_back(short_list.Round());
    long_steps.push_back(long_list.Round());
  }
  const double short_ms = bench::Median(short_steps);
  const double long_ms = bench::Median(long_steps);

  std::printf("wheel_step_100_labels: %.3f ms\n", short_ms);
  std::printf("wheel_step_10000_labels: %.3f ms\n", long_ms);
  std::printf("ratio_wheel_step_10000_to_100_labels: %.3f x\n", long_ms / short_ms);
  return 0;
}
