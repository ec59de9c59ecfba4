#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/shared/engine_log.h"
#include "engine/shared/engine_thread.h"
#include "engine/shared/running_instance.h"
#include "engine/shared/list_data.h"
#include "include/cef_client.h"

namespace inproc {

class BrowserImpl;

// What the in-process engine's browsers need of the running engine: its UI
// thread and log, browsers of their own (developer tools), and their way
// to the renderer.
class BrowserServices {
 public:
  virtual ~BrowserServices() = default;

  // The running engine, or null. Any thread.
  static std::shared_ptr<BrowserServices> Running() { return engine::RunningInstance<BrowserServices>::Get(); }
  // Posts to the running engine's UI thread; false when none runs.
  static bool PostUi(std::function<void(BrowserServices&)> task, int64_t delay_ms = 0) {
    return engine::RunningInstance<BrowserServices>::PostUi(std::move(task), delay_ms);
  }

  virtual engine::EngineThread* ui() const = 0;
  virtual engine::EngineLog& log() = 0;
  virtual int NextBrowserId() = 0;

  // Engine UI thread only.
  virtual CefRefPtr<BrowserImpl> CreateBrowserOnUi(int id, const CefWindowInfo& window_info,
                                                   CefRefPtr<CefClient> client, const std::wstring& url,
                                                   bool is_popup) = 0;
  virtual void LoadInRenderer(int browser_id, const std::wstring& url, int sequence) = 0;
  virtual void SendToRenderer(int browser_id, int64_t frame_id, const std::wstring& name,
                              const engine::ListData& data) = 0;
  virtual void BrowserClosed(int browser_id) = 0;
  virtual void PageCrashed(int browser_id) = 0;

  // Any thread: straight to the renderer, which drops it when the browser
  // is gone. False when there is no renderer.
  virtual bool DeliverToRenderer(int browser_id, int64_t frame_id, const std::wstring& name,
                                 const engine::ListData& data) = 0;

 protected:
  // Makes |services| the running engine; false while another runs. Null
  // ends the running one.
  static bool SetRunning(std::shared_ptr<BrowserServices> services) {
    return engine::RunningInstance<BrowserServices>::Set(std::move(services));
  }
};

}  // namespace inproc
