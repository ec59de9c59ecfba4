#pragma once

#include <cstdint>
#include <string>

#include "engine/shared/list_data.h"
#include "include/cef_types.h"

namespace inproc {

// What a renderer asks of the browser side. Calls arrive on the engine's UI
// thread and carry only copied data.
class RendererHost {
 public:
  virtual ~RendererHost() = default;
  // |http_status| is the document's, as its server would answer.
  virtual void OnLoadFinished(int browser_id, int sequence, int error_code, const std::wstring& error_text,
                              const std::wstring& title, int http_status) = 0;
  // A JavaScript dialog of the page, which never waits for its answer.
  virtual void OnDialog(int browser_id, cef_jsdialog_type_t type, const std::wstring& message,
                        const std::wstring& default_prompt) = 0;
  virtual void OnNavigateRequest(int browser_id, const std::wstring& url) = 0;
  // -1 back, +1 forward, 0 reload.
  virtual void OnHistoryRequest(int browser_id, int step) = 0;
  virtual void OnPopupRequest(int browser_id, const std::wstring& url, const std::wstring& frame_name) = 0;
  virtual void OnProcessMessage(int browser_id, int64_t frame_id, const std::wstring& name, const engine::ListData& data) = 0;
  virtual void OnTitleChange(int browser_id, const std::wstring& title) = 0;
  virtual void OnBackgroundChange(int browser_id, uint32_t bgra) = 0;
  virtual void OnConsoleMessage(int browser_id, const std::wstring& message) = 0;
  // A page of load |sequence| made a child frame.
  virtual void OnFrameAttached(int browser_id, int sequence, int64_t frame_id, const std::wstring& url) = 0;
  // Page content: a rectangle in the view, and the pop-up widget (a select
  // box's list, say) that a windowless view paints separately.
  virtual void OnPaintRect(int browser_id, int sequence, const CefRect& rect, uint32_t bgra) = 0;
  virtual void OnPopupWidget(int browser_id, int sequence, bool show, const CefRect& rect, uint32_t bgra) = 0;
};

}  // namespace inproc
