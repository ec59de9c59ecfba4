#include "engine/remote/page_requests.h"

#include <cstring>
#include <vector>

#include "base/string_conversions.h"
#include "engine/remote/page_owner.h"
#include "engine/remote/remote_frame.h"
#include "engine/remote/page_services.h"
#include "engine/remote/remote_renderer.h"

namespace remote {

namespace {

std::wstring Wide(const std::string& text) { return qbase::UTF8ToUTF16(text); }

// Passed to handlers that may keep them; this engine answers the page at
// once, so nothing waits on them.
class DialogCallback : public CefJSDialogCallback {
  IMPLEMENT_REFCOUNTING(DialogCallback);
};
class FileDialogCallback : public CefFileDialogCallback {
  IMPLEMENT_REFCOUNTING(FileDialogCallback);
};
class DownloadItem : public CefDownloadItem {
  IMPLEMENT_REFCOUNTING(DownloadItem);
};
class BeforeDownloadCallback : public CefBeforeDownloadCallback {
  IMPLEMENT_REFCOUNTING(BeforeDownloadCallback);
};
class DownloadItemCallback : public CefDownloadItemCallback {
  IMPLEMENT_REFCOUNTING(DownloadItemCallback);
};

bool HasFeature(const Json& features, const char* name) {
  if (!features.is_array()) return false;
  for (const Json& feature : features) {
    if (feature.is_string() && feature.get_ref<const std::string&>().compare(0, strlen(name), name) == 0) return true;
  }
  return false;
}

}  // namespace

bool PageRequests::Handle(const std::string& session, const std::string& method, const Json& params) {
  if (method == "Page.javascriptDialogOpening") {
    Dialog(session, params);
  } else if (method == "Page.windowOpen") {
    WindowOpen(params);
  } else if (method == "Page.fileChooserOpened") {
    FileChooser(params);
  } else if (method == "Runtime.consoleAPICalled") {
    Console(params);
  } else {
    return false;
  }
  return true;
}

void PageRequests::Dialog(const std::string& session, const Json& params) {
  std::string type = JsonString(params, "type");
  std::wstring message = Wide(JsonString(params, "message"));
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefJSDialogHandler> handler = client ? client->GetJSDialogHandler() : nullptr;
  bool accept = false;
  if (type == "beforeunload") {
    // Leaving the page is the default answer.
    accept = true;
    if (handler) handler->OnBeforeUnloadDialog(browser_, message, false, new DialogCallback());
  } else {
    cef_jsdialog_type_t kind = type == "confirm" ? JSDIALOGTYPE_CONFIRM
                               : type == "prompt" ? JSDIALOGTYPE_PROMPT
                                                  : JSDIALOGTYPE_ALERT;
    bool suppress = false;
    if (handler) {
      handler->OnJSDialog(browser_, Wide(JsonString(params, "url")), kind, message,
                          Wide(JsonString(params, "defaultPrompt")), new DialogCallback(), suppress);
    }
    if (!suppress) {
      // This engine has no dialog of its own to show: the page gets the
      // answer of a dialog dismissed at once.
      std::shared_ptr<PageServices> engine = PageServices::Running();
      if (engine) engine->log().Write(LOGSEVERITY_INFO, L"script dialog dismissed: " + message);
    }
  }
  // Answered in every case, so that no page waits for a dialog nobody sees.
  browser_->Command("Page.handleJavaScriptDialog", {{"accept", accept}}, session);
}

void PageRequests::WindowOpen(const Json& params) {
  std::wstring url = Wide(JsonString(params, "url"));
  std::wstring name = Wide(JsonString(params, "windowName"));
  const Json* features = JsonMember(params, "windowFeatures");
  Json no_features = Json::array();
  const Json& list = features ? *features : no_features;
  cef_window_open_disposition_t disposition =
      HasFeature(list, "width") || HasFeature(list, "height") || HasFeature(list, "popup") ? WOD_NEW_POPUP
                                                                                          : WOD_NEW_FOREGROUND_TAB;
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefLifeSpanHandler> life_span = client ? client->GetLifeSpanHandler() : nullptr;
  CefWindowInfo window_info;
  window_info.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
  window_info.x = window_info.y = window_info.width = window_info.height = CW_USEDEFAULT;
  window_info.window_name = name;
  CefBrowserSettings settings;
  CefRefPtr<CefDictionaryValue> extra_info;
  bool no_javascript_access = false;
  if (life_span && life_span->OnBeforePopup(browser_, browser_->main_frame().get(), url, name, disposition,
                                            JsonBool(params, "userGesture"), CefPopupFeatures(), window_info, client,
                                            settings, extra_info, &no_javascript_access)) {
    return;
  }
  // Allowed: the pop-up is a browser of this engine's, made as the client
  // asked. The browser program's own pop-up page was closed already.
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (engine && !url.empty()) engine->OpenPopup(window_info, client, url);
}

void PageRequests::FileChooser(const Json& params) {
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefDialogHandler> handler = client ? client->GetDialogHandler() : nullptr;
  cef_file_dialog_mode_t mode =
      JsonString(params, "mode") == "selectMultiple" ? FILE_DIALOG_OPEN_MULTIPLE : FILE_DIALOG_OPEN;
  // Without a handler that takes it, the chooser stays closed: this engine
  // shows no dialog of its own.
  if (handler) handler->OnFileDialog(browser_, mode, CefString(), CefString(), {}, 0, new FileDialogCallback());
}

void PageRequests::DownloadWillBegin(const Json& params) {
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefDownloadHandler> handler = client ? client->GetDownloadHandler() : nullptr;
  CefRefPtr<DownloadItem> item = new DownloadItem();
  if (handler) {
    handler->OnBeforeDownload(browser_, item.get(), Wide(JsonString(params, "suggestedFilename")),
                              new BeforeDownloadCallback());
    handler->OnDownloadUpdated(browser_, item.get(), new DownloadItemCallback());
  }
  // Nothing continues a download here, so it ends as one the client did not take.
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (engine) engine->Command("Browser.cancelDownload", {{"guid", JsonString(params, "guid")}}, std::string());
}

void PageRequests::Console(const Json& params) {
  std::string type = JsonString(params, "type");
  std::wstring message;
  const Json* arguments = JsonMember(params, "args");
  if (arguments && arguments->is_array()) {
    for (const Json& argument : *arguments) {
      if (!message.empty()) message += L" ";
      const Json* value = JsonMember(argument, "value");
      if (value && value->is_string()) {
        message += Wide(value->get<std::string>());
      } else if (value && !value->is_null()) {
        message += Wide(DumpJson(*value));
      } else {
        message += Wide(JsonString(argument, "description", JsonString(argument, "type")));
      }
    }
  }
  std::wstring source = browser_->url();
  int line = 0;
  const Json& trace = JsonObject(params, "stackTrace");
  const Json* frames = JsonMember(trace, "callFrames");
  if (frames && frames->is_array() && !frames->empty()) {
    source = Wide(JsonString((*frames)[0], "url"));
    line = static_cast<int>(JsonInt((*frames)[0], "lineNumber")) + 1;
  }
  cef_log_severity_t level = type == "error"     ? LOGSEVERITY_ERROR
                             : type == "warning" ? LOGSEVERITY_WARNING
                             : type == "debug"   ? LOGSEVERITY_VERBOSE
                                                 : LOGSEVERITY_INFO;
  CefRefPtr<CefClient> client = browser_->client();
  CefRefPtr<CefDisplayHandler> display = client ? client->GetDisplayHandler() : nullptr;
  if (display && display->OnConsoleMessage(browser_, level, message, source, line)) return;
  std::shared_ptr<PageServices> engine = PageServices::Running();
  if (engine) engine->log().Write(LOGSEVERITY_INFO, L"CONSOLE: \"" + message + L"\", source: " + source);
}

}  // namespace remote
