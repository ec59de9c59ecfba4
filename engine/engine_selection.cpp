#include "engine/engine_selection.h"

#include <mutex>

#include "base/path_util.h"
#include "engine/remote/browser_launch.h"

namespace engine {

namespace {

std::mutex g_forced_lock;
bool g_forced = false;
EngineChoice g_forced_choice;

}  // namespace

EngineChoice ChooseEngine(const std::wstring& ini_path) {
  EngineChoice choice;
  choice.config = EngineConfig::Read(ini_path);
  if (!choice.config.NamesBrowser()) {
    choice.reason = L"no browser named in " + ini_path + L": the in-process engine runs";
  } else if (!remote::BrowserProgramExists(choice.config.browser)) {
    choice.reason = L"the browser " + choice.config.browser + L" named in " + ini_path +
                    L" is not there: the in-process engine runs";
  } else {
    choice.kind = EngineKind::kReal;
    choice.reason = L"the browser " + choice.config.browser + L" named in " + ini_path + L" runs the pages";
  }
  return choice;
}

EngineChoice NextEngine() {
  {
    std::lock_guard<std::mutex> guard(g_forced_lock);
    if (g_forced) return g_forced_choice;
  }
  return ChooseEngine(qbase::ModuleDirectory() + L"cef\\engine.ini");
}

void ForceEngine(EngineKind kind, const EngineConfig& config) {
  std::lock_guard<std::mutex> guard(g_forced_lock);
  g_forced = true;
  g_forced_choice.kind = kind;
  g_forced_choice.config = config;
  g_forced_choice.reason = kind == EngineKind::kReal ? L"the real engine runs, as chosen by the program"
                                                      : L"the in-process engine runs, as chosen by the program";
}

void ClearForcedEngine() {
  std::lock_guard<std::mutex> guard(g_forced_lock);
  g_forced = false;
}

}  // namespace engine
