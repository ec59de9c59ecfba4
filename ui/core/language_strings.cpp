#include "ui/core/language_strings.h"

#include <memory>
#include <vector>

#include "base/string_conversions.h"
#include "base/unique_handle.h"
#include "ui/core/string_util.h"

namespace ui {

bool LanguageStrings::LoadFromFile(const std::wstring& path) {
  qbase::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > MAXDWORD - 1) return false;
  const DWORD wanted = static_cast<DWORD>(size.QuadPart);
  std::unique_ptr<char[]> bytes(new char[wanted + 1]);
  DWORD read = 0;
  if (wanted > 0 && !::ReadFile(file.get(), bytes.get(), wanted, &read, nullptr)) return false;
  LoadFromBytes(bytes.get(), read);
  return true;
}

bool LanguageStrings::LoadFromMemory(HGLOBAL block) {
  if (!block) return false;
  const size_t size = ::GlobalSize(block);
  const char* bytes = static_cast<const char*>(::GlobalLock(block));
  if (!bytes) return false;
  LoadFromBytes(bytes, size);
  ::GlobalUnlock(block);
  return true;
}

void LanguageStrings::LoadFromBytes(const char* bytes, size_t length) {
  strings_.clear();
  if (!bytes) return;
  size_t pos = 0;
  // Editors like to start UTF-8 files with a byte-order mark; it is not part
  // of the first id.
  if (length >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF && static_cast<unsigned char>(bytes[1]) == 0xBB &&
      static_cast<unsigned char>(bytes[2]) == 0xBF)
    pos = 3;

  std::vector<std::wstring> lines;
  while (pos < length) {
    size_t end = pos;
    // A zero byte ends the data: memory blocks are often padded with them.
    while (end < length && bytes[end] != '\n' && bytes[end] != 0) ++end;
    std::wstring line = Trim(qbase::UTF8ToUTF16(std::string(bytes + pos, end - pos)));
    if (!line.empty()) lines.push_back(std::move(line));
    if (end < length && bytes[end] == 0) break;
    pos = end + 1;
  }

  for (const std::wstring& line : lines) {
    std::vector<std::wstring> pieces = Split(line, L"=");
    if (pieces.size() != 2 || pieces[0].find(L';') != std::wstring::npos) continue;
    strings_[pieces[0]] = pieces[1];
  }
}

std::wstring LanguageStrings::GetStringViaID(const std::wstring& id) const {
  if (id.empty()) return std::wstring();
  auto it = strings_.find(id);
  if (it == strings_.end()) return std::wstring();
  return ReplaceAll(ReplaceAll(it->second, L"\\r", L"\r"), L"\\n", L"\n");
}

}  // namespace ui
