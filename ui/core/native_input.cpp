// Pointer declarations need a newer platform version than the program
// targets; the functions themselves are only ever called through pointers
// looked up at run time.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#undef WINVER
#define WINVER 0x0602
#include "ui/core/native_input.h"

namespace ui {
namespace native_input {

namespace {

template <typename Function>
Function Lookup(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

struct Functions {
  decltype(&::RegisterTouchWindow) register_touch = Lookup<decltype(&::RegisterTouchWindow)>("RegisterTouchWindow");
  decltype(&::UnregisterTouchWindow) unregister_touch =
      Lookup<decltype(&::UnregisterTouchWindow)>("UnregisterTouchWindow");
  decltype(&::GetTouchInputInfo) get_touch = Lookup<decltype(&::GetTouchInputInfo)>("GetTouchInputInfo");
  decltype(&::CloseTouchInputHandle) close_touch =
      Lookup<decltype(&::CloseTouchInputHandle)>("CloseTouchInputHandle");
  decltype(&::GetPointerType) pointer_type = Lookup<decltype(&::GetPointerType)>("GetPointerType");
  decltype(&::GetPointerInfo) pointer_info = Lookup<decltype(&::GetPointerInfo)>("GetPointerInfo");
  decltype(&::GetPointerPenInfo) pen_info = Lookup<decltype(&::GetPointerPenInfo)>("GetPointerPenInfo");
  decltype(&::GetPointerTouchInfo) touch_info = Lookup<decltype(&::GetPointerTouchInfo)>("GetPointerTouchInfo");
};

const Functions& Get() {
  static const Functions functions;
  return functions;
}

// Bounded so a corrupt count cannot ask for unbounded memory.
constexpr UINT kMaxTouchPoints = 64;
constexpr float kPressureScale = 1024.0f;

}  // namespace

void RegisterTouch(HWND hwnd) {
  if (Get().register_touch) Get().register_touch(hwnd, TWF_WANTPALM);
}

void UnregisterTouch(HWND hwnd) {
  if (Get().unregister_touch) Get().unregister_touch(hwnd);
}

std::vector<TouchSample> ReadTouch(WPARAM wparam, LPARAM lparam) {
  std::vector<TouchSample> samples;
  const Functions& functions = Get();
  const UINT count = LOWORD(wparam);
  if (!functions.get_touch || count == 0 || count > kMaxTouchPoints) return samples;
  std::vector<TOUCHINPUT> inputs(count);
  HTOUCHINPUT handle = reinterpret_cast<HTOUCHINPUT>(lparam);
  if (functions.get_touch(handle, count, inputs.data(), sizeof(TOUCHINPUT))) {
    for (const TOUCHINPUT& input : inputs) {
      TouchSample sample;
      // Touch coordinates come in hundredths of a pixel.
      sample.screen_point = Point(input.x / 100, input.y / 100);
      if (input.dwFlags & TOUCHEVENTF_DOWN) {
        sample.phase = TouchSample::kDown;
      } else if (input.dwFlags & TOUCHEVENTF_UP) {
        sample.phase = TouchSample::kUp;
      } else {
        sample.phase = TouchSample::kMove;
      }
      samples.push_back(sample);
    }
  }
  if (functions.close_touch) functions.close_touch(handle);
  return samples;
}

bool ReadPointer(WPARAM wparam, PointerSample* sample) {
  const Functions& functions = Get();
  if (!functions.pointer_type || !functions.pointer_info) return false;
  const UINT32 id = GET_POINTERID_WPARAM(wparam);
  POINTER_INPUT_TYPE type = PT_POINTER;
  if (!functions.pointer_type(id, &type)) return false;
  POINTER_INFO info = {};
  if (!functions.pointer_info(id, &info)) return false;
  sample->primary = (info.pointerFlags & POINTER_FLAG_PRIMARY) != 0;
  sample->screen_point = Point(info.ptPixelLocation.x, info.ptPixelLocation.y);
  sample->pressure = 0.0f;
  if (type == PT_TOUCH) {
    sample->kind = PointerKind::kTouch;
    POINTER_TOUCH_INFO touch = {};
    if (functions.touch_info && functions.touch_info(id, &touch) && (touch.touchMask & TOUCH_MASK_PRESSURE))
      sample->pressure = touch.pressure / kPressureScale;
  } else if (type == PT_PEN) {
    sample->kind = PointerKind::kPen;
    POINTER_PEN_INFO pen = {};
    if (functions.pen_info && functions.pen_info(id, &pen) && (pen.penMask & PEN_MASK_PRESSURE))
      sample->pressure = pen.pressure / kPressureScale;
  } else {
    sample->kind = PointerKind::kOther;
  }
  return true;
}

}  // namespace native_input
}  // namespace ui
