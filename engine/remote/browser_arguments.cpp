#include "engine/remote/browser_arguments.h"

#include "engine/remote/browser_process.h"
#include "engine/shared/command_line_text.h"

namespace remote {

std::wstring BrowserSwitchFor(const std::wstring& name, const std::wstring& value) {
  if (name == L"process-per-site") return L"--process-per-site";
  if (name == L"ignore-gpu-blacklist" || name == L"ignore-gpu-blocklist") return L"--ignore-gpu-blocklist";
  if (name == L"force-device-scale-factor" && !value.empty()) return L"--force-device-scale-factor=" + value;
  if (name == L"disable-gpu") return L"--disable-gpu";
  // The plug-in switches name a plug-in the browser no longer has; WebGL is
  // on by default; the remaining ones concern an embedding of the engine
  // that a separate browser program does not have.
  return std::wstring();
}

std::vector<std::wstring> BrowserArguments(const BrowserArgumentInputs& inputs) {
  std::vector<std::wstring> arguments = {
      L"--headless",
      L"--remote-debugging-port=0",
      L"--user-data-dir=" + inputs.user_data_dir,
      L"--no-first-run",
      L"--no-default-browser-check",
      L"--disable-background-networking",
      L"--disable-component-update",
      L"--disable-sync",
      L"--disable-default-apps",
      L"--disable-breakpad",
      // Pop-ups go to the client's life-span handler, never to a blocker.
      L"--disable-popup-blocking",
      // Pages shown in our windows are never in the background.
      L"--disable-renderer-backgrounding",
      L"--disable-background-timer-throttling",
      L"--disable-backgrounding-occluded-windows",
      // A failed page stays failed until the client loads it again.
      L"--disable-auto-reload",
      // Every navigation, back and forward included, passes the request handler.
      L"--disable-features=BackForwardCache,Translate,MediaRouter,OptimizationHints,AutofillServerCommunication",
      L"--password-store=basic",
      L"--use-mock-keychain",
  };
  if (inputs.no_sandbox) arguments.push_back(L"--no-sandbox");
  if (inputs.windows_program && !inputs.log_file.empty()) {
    // A Linux browser's output goes to the log through its launcher.
    arguments.push_back(L"--enable-logging");
    arguments.push_back(L"--log-file=" + inputs.log_file);
  }
  if (!inputs.locale.empty()) arguments.push_back(L"--lang=" + inputs.locale);
  if (!inputs.user_agent.empty()) arguments.push_back(L"--user-agent=" + inputs.user_agent);
  for (const auto& entry : inputs.client_switches) {
    std::wstring mapped = BrowserSwitchFor(entry.first, entry.second);
    if (!mapped.empty()) arguments.push_back(mapped);
  }
  for (const std::wstring& extra : engine::SplitArguments(inputs.extra_arguments)) arguments.push_back(extra);
  arguments.push_back(L"about:blank");
  return arguments;
}

}  // namespace remote
