#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "tests/ui/byte_mutator.h"
#include "tests/ui/guarded_allocation.h"
#include "ui/core/language_strings.h"

namespace ui {
namespace {

TEST(LanguageStrings, LineRules) {
  LanguageStrings strings;
  ASSERT_TRUE(strings.LoadFromFile(test::TestDataPath(L"lang\\gdstrings.ini")));
  EXPECT_EQ(L"\u6B22\u8FCE\u6765\u5230 Tarnwell", strings.GetStringViaID(L"STRID_START_TIP"));
  EXPECT_EQ(L"Login", strings.GetStringViaID(L"STRID_LOGIN_TITLE"));
  // The ";" is only a comment marker in the id.
  EXPECT_EQ(L"a;b;c", strings.GetStringViaID(L"STRID_WITH_SEMICOLON"));
  EXPECT_EQ(L"", strings.GetStringViaID(L"STRID;COMMENTED"));
  // Two separate "=" make three pieces: dropped. A run of "=" is one separator.
  EXPECT_EQ(L"", strings.GetStringViaID(L"STRID_TWO_EQUALS"));
  EXPECT_EQ(L"value after run", strings.GetStringViaID(L"STRID_RUN_OF_EQUALS"));
  // Lines are trimmed, the pieces are not.
  EXPECT_EQ(L"\tpadded text", strings.GetStringViaID(L"STRID_TRIMMED"));
  EXPECT_EQ(L" Tarnwell Online", strings.GetStringViaID(L"STRID_GAME_TITLE "));
  EXPECT_EQ(L"", strings.GetStringViaID(L"STRID_GAME_TITLE"));
  EXPECT_EQ(L"second", strings.GetStringViaID(L"STRID_DUPLICATE"));
  EXPECT_EQ(L"", strings.GetStringViaID(L"STRID_NO_VALUE"));
  EXPECT_EQ(L"first line\nsecond line\r\nthird", strings.GetStringViaID(L"STRID_MULTILINE"));
  EXPECT_EQ(L"", strings.GetStringViaID(L""));
  EXPECT_EQ(8u, strings.size());

  // A missing file keeps what was loaded.
  EXPECT_FALSE(strings.LoadFromFile(test::TestDataPath(L"lang\\missing.ini")));
  EXPECT_EQ(L"Login", strings.GetStringViaID(L"STRID_LOGIN_TITLE"));
}

TEST(LanguageStrings, MemoryBlocksAndByteOrderMark) {
  const char text[] = "\xEF\xBB\xBF" "FIRST=one\r\nSECOND=two\\r\\n\r\n";
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(text) + 64);
  ASSERT_NE(nullptr, block);
  std::memcpy(::GlobalLock(block), text, sizeof(text) - 1);
  ::GlobalUnlock(block);

  LanguageStrings strings;
  ASSERT_TRUE(strings.LoadFromMemory(block));
  ::GlobalFree(block);
  EXPECT_EQ(L"one", strings.GetStringViaID(L"FIRST"));
  EXPECT_EQ(L"two\r\n", strings.GetStringViaID(L"SECOND"));
  EXPECT_EQ(2u, strings.size());
  EXPECT_FALSE(strings.LoadFromMemory(nullptr));
  EXPECT_EQ(2u, strings.size());

  // A new load replaces the table.
  strings.LoadFromBytes("THIRD=three", 11);
  EXPECT_EQ(L"", strings.GetStringViaID(L"FIRST"));
  EXPECT_EQ(L"three", strings.GetStringViaID(L"THIRD"));
}

TEST(LanguageStrings, MutatedFilesKeepOnlyWellFormedEntries) {
  const std::string sample = test::ReadTestFile(test::TestDataPath(L"lang\\gdstrings.ini"));
  ASSERT_FALSE(sample.empty());
  test::ByteMutator mutator(7);
  test::GuardedBytes input(64 * 1024);
  LanguageStrings strings;
  test::ScopedExitOnFault exit_on_fault("mutated language file");
  size_t total_entries = 0;
  for (int i = 0; i < 100000; ++i) {
    exit_on_fault.set_case(i);
    const std::string bytes = mutator.Mutate(sample);
    const char* placed = input.Place(bytes.data(), bytes.size());
    ASSERT_NE(nullptr, placed);
    strings.LoadFromBytes(placed, bytes.size());
    for (const auto& entry : strings.entries()) {
      const std::wstring& id = entry.first;
      const std::wstring& value = entry.second;
      ASSERT_FALSE(id.empty());
      ASSERT_FALSE(value.empty());
      ASSERT_EQ(std::wstring::npos, id.find_first_of(L";=")) << i;
      ASSERT_EQ(std::wstring::npos, value.find(L'=')) << i;
      ASSERT_EQ(std::wstring::npos, id.find_first_of(std::wstring(L"\n\0", 2))) << i;
      ASSERT_EQ(std::wstring::npos, value.find_first_of(std::wstring(L"\n\0", 2))) << i;
    }
    total_entries += strings.size();
  }
  // Most mutations leave most lines intact.
  EXPECT_GT(total_entries, 100000u * 4);
}

}  // namespace
}  // namespace ui
