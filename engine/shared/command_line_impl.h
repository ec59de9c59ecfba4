#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "include/cef_command_line.h"

namespace engine {

// A program path, switches in the order they were added ("--name" or
// "--name=value") and plain arguments.
class CommandLineImpl : public CefCommandLine {
 public:
  // Parses a Windows command line (as GetCommandLineW gives it).
  static CefRefPtr<CommandLineImpl> FromString(const std::wstring& command_line);

  // Switches in order, with their values (empty for a bare switch).
  std::vector<std::pair<std::wstring, std::wstring>> Switches();

  bool HasSwitch(const CefString& name);
  // The last value given for the switch; empty when it has none.
  CefString GetSwitchValue(const CefString& name);
  CefString GetCommandLineString();

  void AppendSwitch(const CefString& name) override;
  void AppendSwitchWithValue(const CefString& name, const CefString& value) override;

 private:
  struct Switch {
    std::wstring name;
    std::wstring value;
    bool has_value = false;
  };

  std::mutex lock_;
  std::wstring program_;
  std::vector<Switch> switches_;
  std::vector<std::wstring> arguments_;
  IMPLEMENT_REFCOUNTING(CommandLineImpl);
};

}  // namespace engine
