#pragma once

#include <windows.h>

#include <functional>

namespace test_support {

// Runs |body| on this thread as the application's UI thread: registered as
// UiThreadId, inside a UI loop, so that tasks posted there run while the
// body waits with WaitFor.
void RunAsUiThread(const std::function<void()>& body);
// From inside a running loop: runs it until the condition holds or the time
// is up.
bool WaitFor(const std::function<bool()>& condition, DWORD timeout_ms = 10000);
// Runs the loop for a while, for checks that something does not happen.
void WaitFor(DWORD milliseconds);

}  // namespace test_support
