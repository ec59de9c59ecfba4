#include "app/main_thread.h"

#include "app/basic_form.h"
#include "app/window_names.h"
#include "base/path_util.h"
#include "base/thread_local_record.h"
#include "base/thread_registry.h"
#include "ui/core/rect.h"
#include "ui/core/resource_manager.h"

namespace tarnwell {

namespace {

// Caption, system menu, sizing frame and minimise box; the frame is drawn
// by the skin, the bits keep the taskbar and system menu behaviour.
constexpr DWORD kStartWindowStyle = 0x00CE0000;

}  // namespace

MainThread::MainThread() : FrameworkThread("MainThread") {}

void MainThread::Init() {
  qbase::ThreadRegistry::RegisterCurrentThread(qbase::UiThreadId);

  std::wstring resource_root = qbase::ModuleDirectory() + L"resources\\";
  ui::ResourceManager::Startup(resource_root, ui::ControlFactory(), L"themes\\default", L"lang\\zh_CN");

  // The window deletes itself with its native window.
  auto* start_window = new BasicForm();
  std::weak_ptr<qbase::WeakFlag> alive = start_window->GetWeakFlag();
  if (!start_window->Create(nullptr, kStartWindowName, kStartWindowStyle, 0, true, ui::Rect())) {
    // Without its start window the program can show nothing and could never
    // be closed, so it ends. A window that got as far as a native handle has
    // deleted itself already.
    if (!alive.expired()) delete start_window;
    StopSoon();
    return;
  }
  start_window->CenterWindow();
  start_window->ShowWindow(true, true);
}

void MainThread::Cleanup() {
  ui::ResourceManager::Shutdown();
  if (qbase::ThreadLocalRecord* record = qbase::ThreadLocalRecord::Current()) record->quit = true;
  qbase::ThreadRegistry::UnregisterCurrentThread();
}

}  // namespace tarnwell
