#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>

namespace ui {

// The strings of the active language: lines of "id=text" in UTF-8. A line
// whose id holds ";" is a comment; texts cannot contain "=".
class LanguageStrings {
 public:
  // A missing file returns false and keeps the current table.
  bool LoadFromFile(const std::wstring& path);
  // The bytes of a global memory block, e.g. a loaded resource copy.
  bool LoadFromMemory(HGLOBAL block);
  // Replaces the table with the lines of the given UTF-8 bytes.
  void LoadFromBytes(const char* bytes, size_t length);

  // The text under `id` with the two-character sequences \r and \n turned
  // into line breaks; empty when the id is empty or unknown.
  std::wstring GetStringViaID(const std::wstring& id) const;

  const std::map<std::wstring, std::wstring>& entries() const { return strings_; }
  size_t size() const { return strings_.size(); }
  void Clear() { strings_.clear(); }

 private:
  std::map<std::wstring, std::wstring> strings_;
};

}  // namespace ui
