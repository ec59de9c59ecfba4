#include <ole2.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/main_thread.h"
#include "base/path_util.h"
#include "browser/cef_manager.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  qiv_comp::CefManager* cef_manager = qiv_comp::CefManager::Instance();
  // Returns only when the engine's files are there.
  qiv_comp::CefManager::PrepareEnvironment();

  if (FAILED(::OleInitialize(nullptr))) return 0;

  auto settings = std::make_unique<CefSettings>();
  std::wstring app_data_dir = qbase::ModuleDirectory() + L"cef_temp\\";

  // Engine sub-processes end here, their work done.
  if (!cef_manager->Initialize(app_data_dir, *settings, false)) return 0;

  auto main_thread = std::make_unique<tarnwell::MainThread>();
  main_thread->RunOnCurrentThreadWithLoop(qbase::LoopKind::kUI);

  cef_manager->Shutdown();
  ::OleUninitialize();
  main_thread.reset();
  return 0;
}
