#include <windows.h>

#include "app/main_thread.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  tarnwell::MainThread main_thread;
  main_thread.RunOnCurrentThreadWithLoop(qbase::LoopKind::kUI);
  return 0;
}
