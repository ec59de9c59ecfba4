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
  // again every 500 ms until then.
  void RequestQuit(int exit_code);

  static constexpr int64_t kQuitRecheckDelayUs = 500 * 1000;

 private:
  CefManager() = default;

  CefMessageLoopDispatcher message_dispatcher_;
  int browser_count_ = 0;
  bool is_enable_offset_render_ = true;
};

}  // namespace qiv_comp
