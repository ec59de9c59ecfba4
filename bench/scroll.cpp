// What one wheel step costs in a short and in a long list of labels: the
// scroll, the layout pass and the repaint of the visible area, through the
// real window. The long list must cost about what the short one costs,
// because only the visible rows are painted. Beside it, what typing one
// character costs in a text field holding 100,000 characters against an
// empty one, from the key message to the painted surface.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/wheel_steps.h"
#include "tests/ui/manual_timers.h"
#include "tests/ui/test_window.h"
#include "ui/controls/label.h"
#include "ui/controls/rich_edit.h"
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

  double Round() { return bench::WheelRound(window, list, timers, kStepsPerRound / 2); }

  TestWindow* window = nullptr;
  ui::ScrollableBox* list = nullptr;
  ui::test::ManualTimers timers;
};

// One window with one multi-line text field holding |characters|.
struct EditWindow {
  explicit EditWindow(int characters) {
    window = TestWindow::Open(
        L"<Window size=\"420,320\" shadowattached=\"false\"><VBox bkcolor=\"bench_white\">"
        L"<RichEdit name=\"edit\" multiline=\"true\" vscrollbar=\"true\" limittext=\"1000000\" "
        L"normaltextcolor=\"bench_ink\"/></VBox></Window>");
    if (!window) return;
    edit = dynamic_cast<ui::RichEdit*>(window->FindControl(L"edit"));
    std::wstring text;
    for (int line = 0; static_cast<int>(text.size()) < characters; ++line)
      text += L"Line " + std::to_wstring(line) + L" of the text the field holds before typing.\r\n";
    text.resize(static_cast<size_t>(characters));
    edit->SetText(text);
    window->PaintNow();
    window->Click(TestWindow::Center(edit));
    edit->SetSel(-1, -1);
    window->PaintNow();
  }
  ~EditWindow() { TestWindow::Destroy(window); }

  // One key: down, character, up, and the repaint it caused.
  void Key(wchar_t character) {
    const WPARAM key = LOBYTE(::VkKeyScanW(character));
    window->KeyDown(key);
    window->Char(character);
    window->KeyUp(key);
    ::UpdateWindow(window->GetHWND());
  }
  // Milliseconds per typed character over a word and its erasure.
  double Round() {
    const std::wstring word = L"typing ";
    const int before = edit->GetTextLength();
    const double start = bench::NowMilliseconds();
    for (wchar_t c : word) Key(c);
    const int typed = edit->GetTextLength();
    for (size_t i = 0; i < word.size(); ++i) Key(L'\b');
    const double elapsed = bench::NowMilliseconds() - start;
    if (typed != before + static_cast<int>(word.size()) || edit->GetTextLength() != before)
      std::fprintf(stderr, "the keys did not reach the text\n");
    return elapsed / (2.0 * word.size());
  }

  TestWindow* window = nullptr;
  ui::RichEdit* edit = nullptr;
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
  const auto wheel = bench::InterleavedMedians(short_list, long_list, kRounds);

  EditWindow empty_edit(0);
  EditWindow full_edit(100000);
  if (!empty_edit.edit || !full_edit.edit || !full_edit.edit->HasEngine()) {
    std::fprintf(stderr, "no text field\n");
    return 1;
  }
  const auto typing = bench::InterleavedMedians(empty_edit, full_edit, kRounds);
  const double short_ms = wheel.first;
  const double long_ms = wheel.second;
  const double empty_ms = typing.first;
  const double full_ms = typing.second;

  std::printf("wheel_step_100_labels: %.3f ms\n", short_ms);
  std::printf("wheel_step_10000_labels: %.3f ms\n", long_ms);
  std::printf("typing_key_empty_edit: %.3f ms\n", empty_ms);
  std::printf("typing_key_100000_character_edit: %.3f ms\n", full_ms);
  std::printf("ratio_wheel_step_10000_to_100_labels: %.3f x\n", long_ms / short_ms);
  std::printf("ratio_typing_100000_to_empty_edit: %.3f x\n", full_ms / empty_ms);
  return 0;
}
