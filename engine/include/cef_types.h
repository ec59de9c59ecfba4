#pragma once

#include <windows.h>

#include <cstdint>

#include "include/cef_string.h"

using CefWindowHandle = HWND;
using CefCursorHandle = HCURSOR;

enum CefProcessId { PID_BROWSER = 0, PID_RENDERER = 1 };

enum CefThreadId { TID_UI = 0, TID_RENDERER = 1 };

enum cef_log_severity_t {
  LOGSEVERITY_DEFAULT = 0,
  LOGSEVERITY_VERBOSE = 1,
  LOGSEVERITY_INFO = 2,
  LOGSEVERITY_WARNING = 3,
  LOGSEVERITY_ERROR = 4,
  LOGSEVERITY_DISABLE = 99,
};

enum cef_paint_element_type_t { PET_VIEW = 0, PET_POPUP = 1 };
using CefRenderHandlerPaintElementType = cef_paint_element_type_t;

enum cef_mouse_button_type_t { MBT_LEFT = 0, MBT_MIDDLE = 1, MBT_RIGHT = 2 };
using CefBrowserHostMouseButtonType = cef_mouse_button_type_t;

enum cef_key_event_type_t { KEYEVENT_RAWKEYDOWN = 0, KEYEVENT_KEYDOWN = 1, KEYEVENT_KEYUP = 2, KEYEVENT_CHAR = 3 };

enum cef_event_flags_t {
  EVENTFLAG_NONE = 0,
  EVENTFLAG_CAPS_LOCK_ON = 1 << 0,
  EVENTFLAG_SHIFT_DOWN = 1 << 1,
  EVENTFLAG_CONTROL_DOWN = 1 << 2,
  EVENTFLAG_ALT_DOWN = 1 << 3,
  EVENTFLAG_LEFT_MOUSE_BUTTON = 1 << 4,
  EVENTFLAG_MIDDLE_MOUSE_BUTTON = 1 << 5,
  EVENTFLAG_RIGHT_MOUSE_BUTTON = 1 << 6,
  EVENTFLAG_NUM_LOCK_ON = 1 << 8,
  EVENTFLAG_IS_KEY_PAD = 1 << 9,
  EVENTFLAG_IS_LEFT = 1 << 10,
  EVENTFLAG_IS_RIGHT = 1 << 11,
};

enum cef_context_menu_type_flags_t {
  CM_TYPEFLAG_NONE = 0,
  CM_TYPEFLAG_PAGE = 1 << 0,
  CM_TYPEFLAG_FRAME = 1 << 1,
  CM_TYPEFLAG_LINK = 1 << 2,
  CM_TYPEFLAG_MEDIA = 1 << 3,
  CM_TYPEFLAG_SELECTION = 1 << 4,
  CM_TYPEFLAG_EDITABLE = 1 << 5,
};
using cef_event_flags_value_t = int;

enum cef_window_open_disposition_t {
  WOD_UNKNOWN = 0,
  WOD_CURRENT_TAB = 1,
  WOD_NEW_FOREGROUND_TAB = 3,
  WOD_NEW_BACKGROUND_TAB = 4,
  WOD_NEW_POPUP = 5,
  WOD_NEW_WINDOW = 6,
};
using CefLifeSpanHandlerWindowOpenDisposition = cef_window_open_disposition_t;

enum cef_transition_type_t { TT_LINK = 0, TT_EXPLICIT = 1, TT_RELOAD = 8 };
using CefLoadHandlerTransitionType = cef_transition_type_t;

// Network error codes reported to the load handler.
enum cef_errorcode_t {
  ERR_NONE = 0,
  ERR_FAILED = -2,
  ERR_ABORTED = -3,
  ERR_FILE_NOT_FOUND = -6,
  ERR_CONNECTION_REFUSED = -102,
  ERR_NAME_NOT_RESOLVED = -105,
};
using CefLoadHandlerErrorCode = cef_errorcode_t;

enum cef_termination_status_t {
  TS_ABNORMAL_TERMINATION = 0,
  TS_PROCESS_WAS_KILLED = 1,
  TS_PROCESS_CRASHED = 2,
};
using CefRequestHandlerTerminationStatus = cef_termination_status_t;

enum cef_jsdialog_type_t { JSDIALOGTYPE_ALERT = 0, JSDIALOGTYPE_CONFIRM = 1, JSDIALOGTYPE_PROMPT = 2 };
using CefJSDialogHandlerJSDialogType = cef_jsdialog_type_t;

enum cef_file_dialog_mode_t { FILE_DIALOG_OPEN = 0, FILE_DIALOG_OPEN_MULTIPLE = 1, FILE_DIALOG_SAVE = 3 };
using CefDialogHandlerFileDialogMode = cef_file_dialog_mode_t;

enum cef_value_type_t { VTYPE_INVALID = 0, VTYPE_NULL = 1, VTYPE_BOOL = 2, VTYPE_INT = 3, VTYPE_STRING = 5 };
using CefValueType = cef_value_type_t;

enum cef_drag_operations_mask_t { DRAG_OPERATION_NONE = 0, DRAG_OPERATION_EVERY = 0x7fffffff };
using CefDragHandlerDragOperationsMask = cef_drag_operations_mask_t;
using CefRenderHandlerDragOperation = cef_drag_operations_mask_t;

enum cef_text_input_mode_t { CEF_TEXT_INPUT_MODE_DEFAULT = 0, CEF_TEXT_INPUT_MODE_NONE = 1 };
using CefRenderHandlerTextInputMode = cef_text_input_mode_t;

enum cef_cursor_type_t { CT_POINTER = 0 };
using CefRenderHandlerCursorType = cef_cursor_type_t;

struct CefRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  CefRect() = default;
  CefRect(int x_value, int y_value, int width_value, int height_value)
      : x(x_value), y(y_value), width(width_value), height(height_value) {}
  void Set(int x_value, int y_value, int width_value, int height_value) {
    x = x_value;
    y = y_value;
    width = width_value;
    height = height_value;
  }
  bool IsEmpty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const CefRect& a, const CefRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
  }
};

struct CefPoint {
  int x = 0;
  int y = 0;
  CefPoint() = default;
  CefPoint(int x_value, int y_value) : x(x_value), y(y_value) {}
};

struct CefSize {
  int width = 0;
  int height = 0;
  CefSize() = default;
  CefSize(int width_value, int height_value) : width(width_value), height(height_value) {}
};

struct CefRange {
  int from = 0;
  int to = 0;
};

struct CefMouseEvent {
  int x = 0;
  int y = 0;
  uint32_t modifiers = 0;
};

struct CefKeyEvent {
  cef_key_event_type_t type = KEYEVENT_RAWKEYDOWN;
  uint32_t modifiers = 0;
  int windows_key_code = 0;
  int native_key_code = 0;
  int is_system_key = 0;
  wchar_t character = 0;
  wchar_t unmodified_character = 0;
  int focus_on_editable_field = 0;
};

struct CefScreenInfo {
  float device_scale_factor = 1.0f;
  int depth = 32;
  int depth_per_component = 8;
  int is_monochrome = 0;
  CefRect rect;
  CefRect available_rect;
};

// What a page asked of a pop-up's window; passed through untouched.
struct CefPopupFeatures {};

// Where and how a browser shows: a native child window of the parent with
// this style and rectangle, or no window at all when rendering windowless.
struct CefWindowInfo {
  CefString window_name;
  DWORD style = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  CefWindowHandle parent_window = nullptr;
  int windowless_rendering_enabled = 0;
};

struct CefBrowserSettings {
  size_t size = sizeof(CefBrowserSettings);
};

struct CefMainArgs {
  CefMainArgs() = default;
  explicit CefMainArgs(HINSTANCE instance_value) : instance(instance_value) {}
  HINSTANCE instance = nullptr;
};

// The engine's start-up settings. A fresh record is all zero with its size
// set; the engine reads only what the client filled in.
struct CefSettings {
  size_t size = sizeof(CefSettings);
  int no_sandbox = 0;
  int multi_threaded_message_loop = 0;
  int windowless_rendering_enabled = 0;
  CefString cache_path;
  CefString locale;
  CefString user_agent;
  CefString log_file;
  cef_log_severity_t log_severity = LOGSEVERITY_DEFAULT;
};
