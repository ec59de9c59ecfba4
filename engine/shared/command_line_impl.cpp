#include "engine/shared/command_line_impl.h"

#include "engine/shared/command_line_text.h"

namespace engine {

CefRefPtr<CommandLineImpl> CommandLineImpl::FromString(const std::wstring& command_line) {
  CefRefPtr<CommandLineImpl> result = new CommandLineImpl();
  std::vector<std::wstring> parts = SplitArguments(command_line);
  bool first = true;
  bool switches_done = false;
  for (const std::wstring& part : parts) {
    if (first) {
      result->program_ = part;
      first = false;
      continue;
    }
    if (!switches_done && part == L"--") {
      switches_done = true;
      continue;
    }
    if (!switches_done && part.size() > 2 && part.compare(0, 2, L"--") == 0) {
      Switch entry;
      size_t equals = part.find(L'=');
      entry.name = part.substr(2, equals == std::wstring::npos ? std::wstring::npos : equals - 2);
      if (equals != std::wstring::npos) {
        entry.value = part.substr(equals + 1);
        entry.has_value = true;
      }
      result->switches_.push_back(std::move(entry));
    } else {
      result->arguments_.push_back(part);
    }
  }
  return result;
}

std::vector<std::pair<std::wstring, std::wstring>> CommandLineImpl::Switches() {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<std::pair<std::wstring, std::wstring>> result;
  for (const Switch& entry : switches_) result.emplace_back(entry.name, entry.value);
  return result;
}

bool CommandLineImpl::HasSwitch(const CefString& name) {
  std::lock_guard<std::mutex> guard(lock_);
  for (const Switch& entry : switches_) {
    if (entry.name == name.ToWString()) return true;
  }
  return false;
}

CefString CommandLineImpl::GetSwitchValue(const CefString& name) {
  std::lock_guard<std::mutex> guard(lock_);
  // The last occurrence wins, as when the engine reads its switches.
  for (auto it = switches_.rbegin(); it != switches_.rend(); ++it) {
    if (it->name == name.ToWString()) return it->value;
  }
  return CefString();
}

void CommandLineImpl::AppendSwitch(const CefString& name) {
  if (name.empty()) return;
  std::lock_guard<std::mutex> guard(lock_);
  switches_.push_back(Switch{name.ToWString(), std::wstring(), false});
}

void CommandLineImpl::AppendSwitchWithValue(const CefString& name, const CefString& value) {
  if (name.empty()) return;
  std::lock_guard<std::mutex> guard(lock_);
  switches_.push_back(Switch{name.ToWString(), value.ToWString(), true});
}

CefString CommandLineImpl::GetCommandLineString() {
  std::lock_guard<std::mutex> guard(lock_);
  std::wstring line = QuoteArgument(program_);
  for (const Switch& entry : switches_) {
    // The switch is one token: quoted whole when any part of it needs it.
    std::wstring token = L"--" + entry.name;
    if (entry.has_value) token += L"=" + entry.value;
    line += L" " + QuoteArgument(token);
  }
  bool needs_separator = false;
  for (const std::wstring& argument : arguments_) needs_separator |= argument.compare(0, 2, L"--") == 0;
  // Arguments that look like switches stay arguments behind a "--".
  if (needs_separator) line += L" --";
  for (const std::wstring& argument : arguments_) line += L" " + QuoteArgument(argument);
  return line;
}

}  // namespace engine
