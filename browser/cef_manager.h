#pragma once

#include <string>

#include "base/weak_callback.h"
#include "browser/cef_message_loop_dispatcher.h"
#include "include/cef_app.h"

namespace qiv_comp {

// Starts, runs and stops the browser engine for the whole process, counts
// the live browsers and lets the UI loop end only when none is left.
class CefManager : public qbase::SupportWeakCallback {
 public:
  static CefManager* Instance();

  // Returns only when the engine folder beside the executable exists; else
  // tells the user and ends the process with exit code 0.
  static void PrepareEnvironment();
  // The new value of "path": the engine folder first, then the old value.
  static std::wstring EnginePathValue(const std::wstring& runtime_folder, const std::wstring& old_value);
  // "path" read in full, however long it is.
  static std::wstring ReadPathVariable();

  // What the program does as an engine sub-process: hands the engine an
  // application object of its own. 0 or more in a sub-process, negative in
  // the browser process, as CefExecuteProcess answers.
  static int ExecuteSubProcess(const CefMainArgs& args);

  // True only in the browser process once the engine has started; false in
  // an engine sub-process, whose work is then done.
  bool Initialize(const std::wstring& app_data_dir, CefSettings& settings, bool is_enable_offset_render);
  void FillSettings(const std::wstring& app_data_dir, CefSettings& settings);
  void Shutdown();

  bool IsOffscreenRenderingEnabled() const { return is_enable_offset_render_; }
  CefMessageLoopDispatcher* GetMessageDispatcher() { return &message_dispatcher_; }

  // UI thread only.
  void IncrementBrowserCount() { ++browser_count_; }
  void DecrementBrowserCount() { --browser_count_; }
  int GetBrowserCount() const { return browser_count_; }
  // Ends the UI loop with the exit code once no browser is left, checking
  // again every 500 ms until then. A browser that never reports its close
  // (a hung engine) cannot keep an invisible process alive: once no window
  // of the UI thread is shown any more, the loop ends after the grace
  // period whatever the count. Requests made meanwhile share one check.
  void RequestQuit(int exit_code);
  bool IsQuitPending() const { return quit_pending_; }
  void set_quit_grace_us(int64_t grace_us) { quit_grace_us_ = grace_us; }

  static constexpr int64_t kQuitRecheckDelayUs = 500 * 1000;
  static constexpr int64_t kQuitGraceUs = 3000 * 1000;

 private:
  CefManager() = default;

  void CheckQuit();

  CefMessageLoopDispatcher message_dispatcher_;
  int browser_count_ = 0;
  bool is_enable_offset_render_ = true;
  // UI thread only.
  bool quit_pending_ = false;
  int quit_exit_code_ = 0;
  int64_t quit_grace_us_ = kQuitGraceUs;
  // When the UI thread was first seen without a shown window; 0 while it has one.
  int64_t windowless_since_us_ = 0;
  int64_t last_quit_check_us_ = 0;
};

}  // namespace qiv_comp
