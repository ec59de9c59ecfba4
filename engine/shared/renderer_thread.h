#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/closure.h"
#include "include/cef_app.h"
#include "include/cef_v8.h"

namespace qbase {
class FrameworkThread;
class MessageLoopProxy;
}  // namespace qbase

namespace engine {

// What a renderer of either engine offers the renderer-side process
// functions, on its own thread.
class RendererSide {
 public:
  virtual ~RendererSide() = default;
  // Only while the renderer's extensions are being registered.
  virtual bool AddExtension(const std::wstring& name, const std::wstring& code, CefRefPtr<CefV8Handler> handler) = 0;
  virtual CefRefPtr<CefV8Value> CreateBool(bool value) = 0;
  virtual CefRefPtr<CefV8Value> CreateString(const std::wstring& value) = 0;
};

// A renderer's main thread, as both engines run it: a thread of the browser
// process that stands in for a renderer process. Tasks reach it only from
// itself (as nothing outside a renderer process can post into it) or from
// its engine; the script contexts entered on it stack up here; and it
// starts the way a renderer process starts the program, through the
// program's sub-process entry.
class RendererThread {
 public:
  // |on_ending| runs on the thread as it ends, like a process's exit.
  RendererThread(RendererSide* side, std::function<void()> on_ending);
  ~RendererThread();
  RendererThread(const RendererThread&) = delete;
  RendererThread& operator=(const RendererThread&) = delete;

  // The renderer thread that is the calling thread, or null.
  static RendererThread* Current();

  bool Start();
  // Lets queued work finish, then ends the thread.
  void Stop();
  bool Post(qbase::Closure task, int64_t delay_ms = 0);
  DWORD thread_id() const;
  RendererSide* side() const { return side_; }

  // On the thread itself: the innermost entered context, or null.
  CefRefPtr<CefV8Context> CurrentContext() const;
  void EnterContext(CefRefPtr<CefV8Context> context);
  bool ExitContext(CefV8Context* context);
  void ClearContexts() { entered_.clear(); }

  // On the thread itself: runs the program's sub-process entry, if it has
  // one, as a renderer process would start the program with
  // |command_line|. Inside it, CefExecuteProcess hands over its application
  // object, which is returned (null if none came).
  CefRefPtr<CefApp> RunSubProcessEntry(const std::wstring& command_line);
  // True on a starting renderer's thread, which takes the application.
  static bool AdoptStartingApplication(CefRefPtr<CefApp> app);

 private:
  class Thread;

  RendererSide* side_;
  std::function<void()> on_ending_;
  std::unique_ptr<Thread> thread_;
  mutable std::mutex lock_;
  std::shared_ptr<qbase::MessageLoopProxy> proxy_;
  DWORD thread_id_ = 0;
  // Thread only.
  std::vector<CefRefPtr<CefV8Context>> entered_;
  bool starting_ = false;
  std::wstring command_line_;
  CefRefPtr<CefApp> app_;
};

}  // namespace engine
