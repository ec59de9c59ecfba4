#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/text_services.h"

namespace ui {

// One loaded rich-edit text services library: its factory entry and the
// interface identifiers it was built with. Libraries are loaded once per
// path and stay loaded until the process ends, since engines made by them
// may live that long. UI thread only.
class TextServicesLibrary {
 public:
  // Beside the program first, then the system's.
  static constexpr const wchar_t* kPrivateLibrary = L"msftedit50.dll";
  static constexpr const wchar_t* kSystemLibrary = L"msftedit.dll";

  // The library the program uses: kPrivateLibrary from the program's own
  // folder when that file exists, else kSystemLibrary. Null when neither
  // loads or has the factory entry.
  static const TextServicesLibrary* Default();
  // A library by path; null as above.
  static const TextServicesLibrary* Load(const std::wstring& path);

  // Creates text services over |host| and asks them for their interface;
  // null on any failure.
  ITextServices* CreateServices(ITextHost* host) const;
  const IID& host_iid() const { return host_iid_; }

 private:
  TextServicesLibrary() = default;

  CreateTextServicesFunction create_ = nullptr;
  IID services_iid_ = {};
  IID host_iid_ = {};
};

}  // namespace ui
