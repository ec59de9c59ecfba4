#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/remote/frame_pipeline.h"
#include "engine/remote/json_util.h"
#include "engine/shared/engine_log.h"
#include "engine/shared/engine_thread.h"
#include "engine/shared/running_instance.h"
#include "include/cef_client.h"

namespace remote {

class RemoteBrowser;
class RemoteRenderer;

// What the real engine's browsers, frames and their page handling need of
// the running engine: its UI thread and log, the protocol connection, the
// pictures' pipeline, other browsers and the renderer.
class PageServices {
 public:
  // An answer on the engine's UI thread.
  using UiAnswer = std::function<void(PageServices& engine, const Json* result, const std::string& error)>;

  virtual ~PageServices() = default;

  // The running engine, or null. Any thread.
  static std::shared_ptr<PageServices> Running() { return engine::RunningInstance<PageServices>::Get(); }
  // Posts to the running engine's UI thread; false when none runs.
  static bool PostUi(std::function<void(PageServices&)> task, int64_t delay_ms = 0) {
    return engine::RunningInstance<PageServices>::PostUi(std::move(task), delay_ms);
  }

  // Any thread.
  virtual engine::EngineThread* ui() const = 0;
  virtual engine::EngineLog& log() = 0;
  virtual int NextBrowserId() = 0;
  virtual int64_t NextFrameId() = 0;
  // False when there is no connection; the answer then never runs.
  virtual bool Command(const std::string& method, Json params, const std::string& session,
                       UiAnswer answer = nullptr) = 0;
  // Hands a task to the renderer's thread; false when it is not running.
  virtual bool PostToRenderer(std::function<void(RemoteRenderer&)> task) = 0;

  // Engine UI thread only.
  virtual CefRefPtr<RemoteBrowser> CreateBrowserOnUi(int id, const CefWindowInfo& window_info,
                                                     CefRefPtr<CefClient> client, const std::wstring& url,
                                                     bool is_popup) = 0;
  // A pop-up of a page, as a browser of the engine's own.
  virtual void OpenPopup(const CefWindowInfo& window_info, CefRefPtr<CefClient> client, const std::wstring& url) = 0;
  virtual CefRefPtr<RemoteBrowser> FindBrowser(int id) const = 0;
  // A browser wants its page target (made now, or once connected).
  virtual void RequestTarget(RemoteBrowser* browser) = 0;
  virtual void ForgetSession(const std::string& session) = 0;
  virtual void BrowserClosed(RemoteBrowser* browser) = 0;
  // The sink of a browser's pictures: registered for its session until stopped.
  virtual std::shared_ptr<FrameSink> StartFrames(RemoteBrowser* browser) = 0;
  virtual void StopFrames(RemoteBrowser* browser) = 0;
  // One picture for a browser outside its stream (no acknowledgement).
  virtual void SubmitFrame(RemoteBrowser* browser, std::string base64) = 0;
  virtual int debugging_port() const = 0;
  virtual RemoteRenderer* renderer() const = 0;

 protected:
  // Makes |services| the running engine; false while another runs. Null
  // ends the running one.
  static bool SetRunning(std::shared_ptr<PageServices> services) {
    return engine::RunningInstance<PageServices>::Set(std::move(services));
  }
};

}  // namespace remote
