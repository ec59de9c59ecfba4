#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/in_process/input_event.h"
#include "engine/in_process/page.h"
#include "include/cef_browser.h"
#include "include/cef_command_line.h"

// What the in-process engine lets its users look at, beyond the engine
// interface: for tests and for diagnosis. Every function is safe from any
// thread and gives an empty answer while the engine is not running.
namespace inproc {

DWORD EngineUiThreadId();
// 0 until the first browser has started the renderer.
DWORD RendererThreadId();
int LiveBrowserCount();
// The browser process's switches after the application added its own.
std::vector<std::pair<std::wstring, std::wstring>> BrowserProcessSwitches();
std::vector<std::wstring> SupportedCookieSchemes(bool* include_defaults);
bool IsAudioMuted(CefRefPtr<CefBrowser> browser);
// What the client last told WasHidden.
bool IsHidden(CefRefPtr<CefBrowser> browser);
std::vector<InputEvent> TakeInputEvents(CefRefPtr<CefBrowser> browser);
// A command line of the engine's kind, parsed from text.
CefRefPtr<CefCommandLine> CreateCommandLine(const std::wstring& text);
std::vector<std::pair<std::wstring, std::wstring>> SwitchesOf(CefRefPtr<CefCommandLine> command_line);

// Crashes the renderer of the browser's page, as a renderer process that
// dies would; false when there is no page.
bool CrashRenderer(CefRefPtr<CefBrowser> browser);

// Runs a task on the renderer thread with the current page of a browser.
// False when the engine or that page is not there.
bool RunInPage(int browser_id, std::function<void(Page&)> task);

}  // namespace inproc
