#include "engine/shared/renderer_launch.h"

#include "engine/shared/values_impl.h"

namespace engine {

RendererLaunch RendererLaunch::Prepare(CefRefPtr<CefApp> app, CefRefPtr<CommandLineImpl> browser_command_line) {
  CefRefPtr<CefBrowserProcessHandler> handler = app ? app->GetBrowserProcessHandler() : nullptr;
  CefRefPtr<CommandLineImpl> child_line = CommandLineImpl::FromString(
      browser_command_line ? browser_command_line->GetCommandLineString().ToWString() : std::wstring());
  child_line->AppendSwitchWithValue("type", "renderer");
  CefRefPtr<ListValueImpl> extra_info = new ListValueImpl();
  if (handler) {
    handler->OnBeforeChildProcessLaunch(child_line.get());
    handler->OnRenderProcessThreadCreated(extra_info.get());
  }
  return RendererLaunch{child_line->GetCommandLineString().ToWString(), extra_info->Data()};
}

}  // namespace engine
