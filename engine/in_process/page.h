#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/in_process/page_host.h"
#include "engine/in_process/renderer_host.h"
#include "include/cef_frame.h"
#include "include/cef_types.h"
#include "include/cef_v8.h"

namespace inproc {

class V8ContextImpl;

// One loaded page of the in-process engine, handed to its page script on the
// renderer's main thread. It stands in for what a real page's JavaScript
// does: call the injected extension's native functions, navigate, open
// pop-ups, move the focus. Once the page is replaced or its browser closes,
// every operation does nothing.
class Page {
 public:
  struct CallResult {
    bool called = false;          // a native function of that name ran
    CefRefPtr<CefV8Value> value;  // its return value, if any
    std::wstring exception;       // what it threw, empty if nothing
  };

  Page(PageHost* host, int browser_id, CefRefPtr<CefFrame> frame, CefRefPtr<V8ContextImpl> context,
       const std::wstring& url);

  bool IsLoaded() const;
  int browser_id() const { return browser_id_; }
  const std::wstring& url() const { return url_; }
  CefRefPtr<CefFrame> frame() const { return frame_; }
  CefRefPtr<CefV8Context> context() const;

  // Calls a function that an extension declared with "native function";
  // anything else throws as an undefined name would.
  CallResult CallNative(const std::wstring& name, const CefV8ValueList& arguments);
  // The text of an installed extension, empty if there is none by that name.
  std::wstring ExtensionText(const std::wstring& extension_name) const;

  void SetTitle(const std::wstring& title);
  // Only while the page script runs: the load ends with this error.
  void FailLoad(int error_code, const std::wstring& error_text);
  // Only while the page script runs: the HTTP status its server answered
  // the document with (200 unless set).
  void SetStatus(int status);
  // alert, confirm or prompt. The client's dialog handler hears of it; the
  // page goes on at once, as with a suppressed dialog.
  void ShowDialog(cef_jsdialog_type_t type, const std::wstring& message,
                  const std::wstring& default_prompt = std::wstring());
  void Navigate(const std::wstring& url);
  void GoBack();
  void Reload();
  void OpenPopup(const std::wstring& url, const std::wstring& frame_name = std::wstring());
  void FocusNode(bool editable);
  void ClearFocus();
  // The colour windowless frames and the native window are filled with.
  void SetBackgroundColor(uint32_t bgra);
  void ConsoleLog(const std::wstring& message);
  // Content of the view: a filled rectangle over the background, in view
  // coordinates, until the next navigation.
  void PaintRect(const CefRect& rect, uint32_t bgra);
  // The pop-up widget a windowless view paints apart from the view (a
  // select box's open list): |rect| in view coordinates.
  void ShowPopupWidget(const CefRect& rect, uint32_t bgra);
  void HidePopupWidget();
  // A child frame of this page's browser that loads |url| with its own
  // context and page script. Null once the page is gone.
  CefRefPtr<CefFrame> AddChildFrame(const std::wstring& url);
  // Runs later on the renderer thread, inside this page's context, if the
  // page is still loaded then.
  void Post(std::function<void(Page&)> task, int delay_ms = 0);

  // For the renderer.
  void Detach() { host_ = nullptr; }
  // Requests made while the script ran; they follow the load's end.
  std::vector<std::function<void(RendererHost&)>> TakeDeferred();
  void set_running_script(bool running) { running_script_ = running; }
  void ToHost(std::function<void(RendererHost&)> call);
  int error_code() const { return error_code_; }
  const std::wstring& error_text() const { return error_text_; }
  const std::wstring& title() const { return title_; }
  int status() const { return status_; }

 private:
  PageHost* host_;
  int browser_id_;
  CefRefPtr<CefFrame> frame_;
  CefRefPtr<V8ContextImpl> context_;
  std::wstring url_;
  std::wstring title_;
  bool running_script_ = false;
  int error_code_ = 0;
  int status_ = 200;
  std::wstring error_text_;
  std::weak_ptr<Page> self_;
  std::vector<std::function<void(RendererHost&)>> deferred_;
  friend class Renderer;
};

using PageScript = std::function<void(Page& page)>;

// The page registry: an exact address first, else the longest registered
// prefix. "about:blank" and the developer tools' "devtools://" pages are
// always there, empty. Callable from any thread.
void RegisterPage(const std::wstring& url, PageScript script);
void RegisterPagePrefix(const std::wstring& prefix, PageScript script);
void UnregisterPage(const std::wstring& url_or_prefix);
void ClearPages();
// A redirect, as a server would answer |from|: the navigation asks the
// request handler again, flagged as a redirect, and goes on to |to|.
void RegisterRedirect(const std::wstring& from, const std::wstring& to);
// Where |url| redirects to, empty if it does not.
std::wstring FindRedirect(const std::wstring& url);
bool FindPage(const std::wstring& url, PageScript* script);

}  // namespace inproc
