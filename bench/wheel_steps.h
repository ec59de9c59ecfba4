#pragma once

#include "bench/bench_support.h"
#include "tests/ui/manual_timers.h"
#include "tests/ui/test_window.h"

// Wheel steps through a real window, the way the benchmarks of scrolling
// take them: the message, the smooth scroll run to its end on the hand
// clock, and the repaint of what the scroll invalidated.
namespace bench {

inline void WheelStep(ui::test::TestWindow* window, ui::Control* target, ui::test::ManualTimers& timers, int delta) {
  window->Wheel(ui::test::TestWindow::Center(target), delta);
  timers.Advance(1000, 1000);
  ::UpdateWindow(window->GetHWND());
}

// Milliseconds per step over |steps| steps down and as many back up.
inline double WheelRound(ui::test::TestWindow* window, ui::Control* target, ui::test::ManualTimers& timers, int steps) {
  const double start = NowMilliseconds();
  for (int i = 0; i < steps; ++i) WheelStep(window, target, timers, -120);
  for (int i = 0; i < steps; ++i) WheelStep(window, target, timers, 120);
  return (NowMilliseconds() - start) / (2.0 * steps);
}

}  // namespace bench
