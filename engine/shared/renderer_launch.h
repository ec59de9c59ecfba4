#pragma once

#include <string>

#include "engine/shared/command_line_impl.h"
#include "engine/shared/list_data.h"
#include "include/cef_app.h"

namespace engine {

// What a renderer starts with, as the browser process's handler shaped it
// before the launch: its command line (the browser's, with
// "--type=renderer") and the extra data its OnRenderThreadCreated gets.
struct RendererLaunch {
  std::wstring command_line;
  ListData extra_info;

  // On the engine's UI thread, where the handler's callbacks belong.
  static RendererLaunch Prepare(CefRefPtr<CefApp> app, CefRefPtr<CommandLineImpl> browser_command_line);
};

}  // namespace engine
