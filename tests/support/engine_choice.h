#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/engine_selection.h"
#include "include/cef_browser.h"

// Which engine implementation a test runs against, and what tests may look
// at whichever one runs.
namespace test_support {

using engine::EngineKind;

// "InProcess" or "Real", for the names of parameterised tests.
std::string EngineName(EngineKind kind);
// The browser program the real engine runs in tests: TARNWELL_TEST_BROWSER
// when set, else Debian's chromium. Empty when it is not there.
std::wstring TestBrowserProgram();
bool EngineAvailable(EngineKind kind);
// The next CefInitialize starts this engine; the real one with the test
// browser and |arguments|.
void UseEngine(EngineKind kind, const std::wstring& arguments = std::wstring());

// Of the running engine, whichever it is: 0 or false when none runs.
DWORD EngineUiThreadId();
int LiveBrowserCount();
// The page's renderer dies, as a crashed renderer process would.
bool CrashRenderer(CefRefPtr<CefBrowser> browser);
// Linux processes whose command line names |text| (a browser and every
// process it started name its user data folder), read from Linux's own
// process table through Wine's drive; -1 where there is none to read.
int LinuxProcessesNaming(const std::string& text);
// Their process numbers, of those whose command line also names |also|.
std::vector<unsigned long> LinuxProcessIdsNaming(const std::string& text, const std::string& also = std::string());
// Sends SIGKILL to a Linux process through Linux's own kill program.
bool KillLinuxProcess(unsigned long id);

}  // namespace test_support

// Skips a parameterised test whose engine this machine cannot run.
#define SKIP_UNLESS_ENGINE_AVAILABLE(kind)                                                              \
  do {                                                                                                  \
    if (!test_support::EngineAvailable(kind)) GTEST_SKIP() << "no browser program for the real engine"; \
  } while (0)
