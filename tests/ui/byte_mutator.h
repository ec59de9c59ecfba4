#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {
namespace test {

// Seeded truncations and mutations of a sample file, biased towards the
// characters that matter to markup and "id=text" lines. The generator is
// our own so a seed gives the same inputs with every standard library.
class ByteMutator {
 public:
  explicit ByteMutator(uint32_t seed) : state_(seed ? seed : 1) {}

  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  size_t Below(size_t n) { return n ? Next() % n : 0; }

  std::string Mutate(const std::string& source) {
    if (Below(3) == 0) return source.substr(0, Below(source.size() + 1));
    static const char* const kTokens[] = {
        "<",  ">", "/>", "</", "\"", "=",   "&amp;", "&lt", "<!--", "-->",  "<?",       "?>",           " ",
        "\t", "'", "&",  "\n", ";",  "\\n", "==",    "<a>", "</a>", "\xFF", "\xE4\xBD", "\xEF\xBB\xBF", "\r\n"};
    const size_t token_count = sizeof(kTokens) / sizeof(kTokens[0]);
    std::string out = source;
    const size_t ops = 1 + Below(6);
    for (size_t i = 0; i < ops; ++i) {
      const size_t pos = Below(out.size() + 1);
      switch (Below(5)) {
        case 0:
          if (pos < out.size()) out[pos] = kTokens[Below(token_count)][0];
          break;
        case 1:
          out.erase(pos, Below(17));
          break;
        case 2:
          out.insert(pos, kTokens[Below(token_count)]);
          break;
        case 3: {
          const size_t from = Below(out.size() + 1);
          out.insert(pos, out.substr(from, Below(65)));
          break;
        }
        default:
          if (pos < out.size()) out[pos] = static_cast<char>(Next() & 0xFF);
          break;
      }
    }
    if (Below(3) == 0) out.resize(Below(out.size() + 1));
    return out;
  }

 private:
  uint32_t state_;
};

inline std::string ReadTestFile(const std::wstring& path) {
  std::string bytes;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char chunk[4096];
  DWORD read = 0;
  while (::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) bytes.append(chunk, read);
  ::CloseHandle(file);
  return bytes;
}

inline std::wstring TestDataPath(const wchar_t* relative) {
  return std::wstring(L"" TARNWELL_TEST_DATA_DIR) + L"\\" + relative;
}

}  // namespace test
}  // namespace ui
