#pragma once

#include <string>

namespace engine {

// The engine folder's "engine.ini": section [engine], key "browser" (the
// browser program; a Linux path under Wine) and key "arguments" (extra
// switches for it, as they stand). A missing file or key reads as empty.
struct EngineConfig {
  std::wstring browser;
  std::wstring arguments;

  static EngineConfig Read(const std::wstring& ini_path);
  bool NamesBrowser() const { return !browser.empty(); }
};

}  // namespace engine
