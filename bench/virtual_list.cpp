// What one wheel step costs in a virtual list of a million elements against
// one of a thousand, through the real window: the scroll, the refill of the
// element controls and the repaint of the view. Both must cost the same and
// hold the same few element controls, since only what is shown exists.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "bench/wheel_steps.h"
#include "tests/ui/manual_timers.h"
#include "tests/ui/test_window.h"
#include "ui/controls/list_container_element.h"
#include "ui/controls/virtual_list_box.h"
#include "ui/core/resource_manager.h"

namespace {

using ui::test::TestWindow;

constexpr int kRounds = 7;
constexpr int kStepsPerRound = 40;
constexpr int kElementHeight = 30;
constexpr int kViewHeight = 400;

// Elements numbered from 0, each a line of text.
class NumberedRows : public ui::VirtualListDataProvider {
 public:
  explicit NumberedRows(int count) : count_(count) {}
  ui::Control* CreateElement() override {
    auto* element = new ui::ListContainerElement();
    element->SetStateTextColor(ui::kControlStateNormal, L"bench_ink");
    element->SetTextPadding(ui::Rect(8, 0, 0, 0), false);
    return element;
  }
  void FillElement(ui::Control* control, int index) override {
    static_cast<ui::ListContainerElement*>(control)->SetText(L"Element " + std::to_wstring(index));
  }
  int GetElementCount() override { return count_; }

 private:
  int count_;
};

// One window with one 300 x 400 virtual list over |count| elements.
struct VirtualListWindow {
  explicit VirtualListWindow(int count) : rows(count) {
    window = TestWindow::Open(
        L"<Window size=\"320,420\" shadowattached=\"false\"><VBox bkcolor=\"bench_white\">"
        L"<VirtualListBox name=\"list\" width=\"300\" height=\"400\" vscrollbar=\"true\"/></VBox></Window>");
    if (!window) return;
    list = dynamic_cast<ui::VirtualListBox*>(window->FindControl(L"list"));
    list->SetTimerService(timers.service());
    list->SetDataProvider(&rows);
    list->SetElementHeight(kElementHeight);
    list->InitElement(kViewHeight / kElementHeight + 2);
    window->PaintNow();
    // Somewhere in the middle, where the large list has data on every side.
    list->SetScrollPos(ui::Size(0, (count / 2) * kElementHeight));
    window->PaintNow();
  }
  ~VirtualListWindow() { TestWindow::Destroy(window); }

  double Round() {
    const int before = list->GetScrollPos().cy;
    bench::WheelStep(window, list, timers, -120);
    if (list->GetScrollPos().cy == before) std::fprintf(stderr, "the wheel did not scroll\n");
    bench::WheelStep(window, list, timers, 120);
    return bench::WheelRound(window, list, timers, kStepsPerRound / 2);
  }

  NumberedRows rows;
  TestWindow* window = nullptr;
  ui::VirtualListBox* list = nullptr;
  ui::test::ManualTimers timers;
};

}  // namespace

int main() {
  ui::ResourceManager::Startup(L".\\", nullptr, L"", L"");
  ui::ResourceManager::AddTextColor(L"bench_white", 0xFFFFFFFF);
  ui::ResourceManager::AddTextColor(L"bench_ink", 0xFF202030);

  VirtualListWindow large(1000000);
  VirtualListWindow small(1000);
  if (!large.list || !small.list) {
    std::fprintf(stderr, "no window\n");
    return 1;
  }
  const auto steps = bench::InterleavedMedians(large, small, kRounds);
  const double large_controls = static_cast<double>(large.list->GetCount());
  const double small_controls = static_cast<double>(small.list->GetCount());

  std::printf("virtual_list_wheel_step_1000000_elements: %.3f ms\n", steps.first);
  std::printf("virtual_list_wheel_step_1000_elements: %.3f ms\n", steps.second);
  std::printf("virtual_list_item_controls_1000000_elements: %.0f controls\n", large_controls);
  std::printf("virtual_list_item_controls_1000_elements: %.0f controls\n", small_controls);
  std::printf("ratio_wheel_step_1000000_to_1000_elements: %.3f x\n", steps.first / steps.second);
  std::printf("ratio_item_controls_1000000_to_1000_elements: %.3f x\n", large_controls / small_controls);
  return 0;
}
