// The executable's own resources, read from the built file.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The executable loaded as data: its resources, none of its code.
class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = ::LoadLibraryExW(L"" TARNWELL_EXE_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module_);
  }
  void TearDown() override {
    if (module_) ::FreeLibrary(module_);
  }
  std::string Bytes(const wchar_t* type, const wchar_t* name) {
    HRSRC found = ::FindResourceW(module_, name, type);
    if (!found) return std::string();
    HGLOBAL loaded = ::LoadResource(module_, found);
    const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    return data ? std::string(data, ::SizeofResource(module_, found)) : std::string();
  }

  HMODULE module_ = nullptr;
};

TEST_F(ProgramResources, ManifestAsksForCommonControlsSixDpiAwarenessAndTheSupportedSystems) {
  const std::string manifest = Bytes(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
  ASSERT_FALSE(manifest.empty());
  for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "level=\"asInvoker\"",
                           ">PerMonitorV2, System<", ">true</dpiAware>",
                           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_NE(std::string::npos, manifest.find(part)) << part;
  }
}

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(ProgramResources, IconHoldsTheEmblemFromSixteenToTwoHundredFiftySixPixels) {
  const std::string group = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
  ASSERT_GE(group.size(), 6u);
  const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(group.size(), 6 + count * sizeof(IconGroupEntry));
  std::vector<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    const auto* entry = reinterpret_cast<const IconGroupEntry*>(group.data() + 6 + i * sizeof(IconGroupEntry));
    sizes.push_back(entry->width == 0 ? 256 : entry->width);
    EXPECT_EQ(32, entry->bit_count);
    EXPECT_EQ(entry->bytes, Bytes(RT_ICON, MAKEINTRESOURCEW(entry->id)).size());
  }
  for (int size : {16, 24, 32, 48, 256}) EXPECT_NE(sizes.end(), std::find(sizes.begin(), sizes.end(), size)) << size;

  // The platform makes icons of it at the sizes windows ask for.
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(::LoadImageW(module_, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
    ASSERT_NE(nullptr, icon) << size;
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    BITMAP bitmap = {};
    ::GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
    EXPECT_EQ(size, bitmap.bmWidth);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ::DestroyIcon(icon);
  }
}

std::wstring VersionString(const std::string& block, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!::VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return L"";
  return std::wstring(value, length > 0 ? length - 1 : 0);
}

TEST_F(ProgramResources, VersionNamesTheProductAndCarriesTheProjectVersion) {
  const std::string raw = Bytes(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
  ASSERT_FALSE(raw.empty());
  // The query functions write into the block, so they get a copy.
  const std::string block = raw;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
  const std::wstring expected = L"" TARNWELL_PROJECT_VERSION L".0";
  const std::wstring fixed_text = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                  std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                  std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
                                  std::to_wstring(LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(expected, fixed_text);
  EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
  EXPECT_EQ(L"Tarnwell", VersionString(block, L"ProductName"));
  EXPECT_EQ(expected, VersionString(block, L"FileVersion"));
  EXPECT_EQ(L"tarnwell.exe", VersionString(block, L"OriginalFilename"));
}

}  // namespace
