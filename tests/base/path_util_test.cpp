#include "base/path_util.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "base/string_conversions.h"
#include "base/time_ticks.h"

namespace {

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH];
  DWORD length = ::GetTempPathW(MAX_PATH, buffer);
  return std::wstring(buffer, length);
}

TEST(PathUtil, DirectorySplitAndJoin) {
  EXPECT_EQ(qbase::DirectoryOf(L"C:\\games\\tarnwell.exe"), L"C:\\games\\");
  EXPECT_EQ(qbase::DirectoryOf(L"C:/games/sub\\file"), L"C:/games/sub\\");
  EXPECT_EQ(qbase::DirectoryOf(L"tarnwell.exe"), L"");

  auto parts = qbase::SplitPath(L"C:\\a//b\\c\\");
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0], L"C:");
  EXPECT_EQ(parts[3], L"c");

  EXPECT_EQ(qbase::JoinPath(L"C:\\a", L"b"), L"C:\\a\\b");
  EXPECT_EQ(qbase::JoinPath(L"C:\\a\\", L"\\b"), L"C:\\a\\b");
  EXPECT_EQ(qbase::JoinPath(L"C:\\a/", L"b"), L"C:\\a/b");
  EXPECT_EQ(qbase::JoinPath(L"", L"b"), L"b");
}

TEST(PathUtil, CreateDirectoriesMakesMissingParentsAndRefusesFiles) {
  std::wstring root = TempFolder() + L"tarnwell_paths_" + std::to_wstring(::GetCurrentProcessId());
  std::wstring deep = root + L"\\one\\two/three\\";
  ASSERT_TRUE(qbase::CreateDirectories(deep));
  DWORD attributes = ::GetFileAttributesW((root + L"\\one\\two\\three").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(qbase::CreateDirectories(deep));  // already there

  std::wstring file = root + L"\\taken";
  HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  ::CloseHandle(handle);
  EXPECT_FALSE(qbase::CreateDirectories(file));
  EXPECT_FALSE(qbase::CreateDirectories(file + L"\\below"));

  ::DeleteFileW(file.c_str());
  ::RemoveDirectoryW((root + L"\\one\\two\\three").c_str());
  ::RemoveDirectoryW((root + L"\\one\\two").c_str());
  ::RemoveDirectoryW((root + L"\\one").c_str());
  ::RemoveDirectoryW(root.c_str());
}

TEST(PathUtil, ModuleDirectoryIsTheTestExecutablesFolder) {
  wchar_t buffer[MAX_PATH];
  DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring expected = qbase::DirectoryOf(std::wstring(buffer, length));
  std::wstring folder = qbase::ModuleDirectory();
  EXPECT_EQ(folder, expected);
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.back() == L'\\' || folder.back() == L'/');
}

TEST(StringConversions, RoundTripAndRefuseBrokenText) {
  std::wstring text = L"T\u00e4rnwell \u63d0\u793a \U0001F600";
  std::string utf8 = qbase::UTF16ToUTF8(text);
  EXPECT_EQ(utf8, "T\xc3\xa4rnwell \xe6\x8f\x90\xe7\xa4\xba \xf0\x9f\x98\x80");
  EXPECT_EQ(qbase::UTF8ToUTF16(utf8), text);

  EXPECT_EQ(qbase::UTF8ToUTF16("ab\xff\xfe"), L"");
  EXPECT_EQ(qbase::UTF16ToUTF8(std::wstring(1, static_cast<wchar_t>(0xD800))), "");
  EXPECT_EQ(qbase::UTF8ToUTF16(""), L"");
  EXPECT_EQ(qbase::AnsiToUTF16("Game"), L"Game");
}

TEST(TimeTicks, CountsAcrossTheMillisecondWrap) {
  qbase::WrapAroundCounter counter;
  EXPECT_EQ(counter.Extend(0xFFFFFFF0u), 0xFFFFFFF0ll);
  EXPECT_EQ(counter.Extend(0xFFFFFFFFu), 0xFFFFFFFFll);
  EXPECT_EQ(counter.Extend(5), (1ll << 32) + 5);
  EXPECT_EQ(counter.Extend(5), (1ll << 32) + 5);
  EXPECT_EQ(counter.Extend(4), (2ll << 32) + 4);

  int64_t first = qbase::TimeTicks::Now();
  ::Sleep(20);
  int64_t second = qbase::TimeTicks::Now();
  EXPECT_GT(second, first);
  EXPECT_EQ(first % 1000, 0);  // whole milliseconds in microseconds
}

}  // namespace
