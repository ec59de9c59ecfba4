#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/remote/frame_pipeline.h"
#include "engine/remote/view_surface.h"
#include "include/cef_browser.h"

// What the real engine lets its users look at and do beyond the engine
// interface: for tests, benchmarks and diagnosis. Every function is safe
// from any thread but the engine's UI thread and gives an empty answer while
// the engine is not running.
namespace remote {

DWORD EngineUiThreadId();
int LiveBrowserCount();
bool IsConnected();
// The browser program's command line after the application's switches.
std::vector<std::wstring> BrowserProgramArguments();
// The browser program's process number (a Linux one under Wine), 0 if none.
unsigned long BrowserProgramId();
int DebuggingPort();
// Crashes the page's renderer, as the protocol's Page.crash does.
bool CrashRenderer(CefRefPtr<CefBrowser> browser);
// The value of a script expression in the page's main frame, as text (JSON
// for what is no string); empty on failure or after the time given.
std::wstring EvaluateInPage(CefRefPtr<CefBrowser> browser, const std::wstring& expression, DWORD timeout_ms = 5000);
// Bare protocol round trips, one after another: Runtime.evaluate of a
// constant in the page's main frame. Each one's time in microseconds; empty
// on failure.
std::vector<double> TimeConstantEvaluations(CefRefPtr<CefBrowser> browser, int count);
// The page's pictures so far: received, dropped, decoded and failed.
FrameSink::Counts FrameCounts(CefRefPtr<CefBrowser> browser);
// Where a native browser's pictures are drawn; null for an off-screen one.
std::shared_ptr<ViewSurface> ViewSurfaceOf(CefRefPtr<CefBrowser> browser);

}  // namespace remote
