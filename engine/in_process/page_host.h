#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/in_process/renderer_host.h"
#include "include/cef_dom.h"
#include "include/cef_frame.h"
#include "include/cef_v8.h"

namespace inproc {

// What pages and the renderer's views of browsers and frames reach of the
// renderer they live in. Everything but OnThread and the posting calls
// belongs to the renderer's thread.
class PageHost {
 public:
  virtual ~PageHost() = default;

  // True on the renderer's own thread.
  virtual bool OnThread() const = 0;
  // To the browser side; false once it is gone.
  virtual bool PostToHost(std::function<void(RendererHost&)> call) = 0;
  // To the renderer's own thread.
  virtual bool PostTask(std::function<void()> task, int64_t delay_ms) = 0;

  virtual CefRefPtr<CefV8Handler> FindNative(const std::wstring& function_name) const = 0;
  virtual std::wstring ExtensionText(const std::wstring& extension_name) const = 0;
  // A child frame of a browser's main frame, loading |url|; null if the
  // browser is gone.
  virtual CefRefPtr<CefFrame> AddChildFrame(int browser_id, const std::wstring& url) = 0;
  // The sequence of a browser's current main-frame load, 0 if it is gone.
  virtual int LoadSequence(int browser_id) const = 0;
  virtual void FocusedNodeChanged(int browser_id, CefRefPtr<CefFrame> frame, CefRefPtr<CefDOMNode> node) = 0;
};

}  // namespace inproc
