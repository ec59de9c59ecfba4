#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/ui/byte_mutator.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/resource_manager.h"

namespace ui {
namespace {

LOGFONTW Describe(HFONT font) {
  LOGFONTW description = {};
  ::GetObjectW(font, sizeof(description), &description);
  return description;
}

TEST(ResourceManager, ResourcePathEndsInSeparator) {
  const std::wstring saved = ResourceManager::GetResourcePath();
  ResourceManager::SetResourcePath(L"C:\\game\\resources\\themes\\default");
  EXPECT_EQ(L"C:\\game\\resources\\themes\\default\\", ResourceManager::GetResourcePath());
  ResourceManager::SetResourcePath(L"C:/game/skin/");
  EXPECT_EQ(L"C:/game/skin/", ResourceManager::GetResourcePath());
  ResourceManager::SetResourcePath(saved);
}

TEST(ResourceManager, FontIdsDefaultsAndFirstDefinitionWins) {
  ResourceManager::Shutdown();
  ASSERT_EQ(0u, ResourceManager::GetFontCount());

  HFONT first = ResourceManager::AddFont(L"Arial", L"", 12, false, false, false, false);
  ASSERT_NE(nullptr, first);
  HFONT second = ResourceManager::AddFont(L"Tahoma", L"", 14, true, true, true, true);
  ASSERT_NE(nullptr, second);
  ASSERT_NE(nullptr, ResourceManager::GetFont(L"0"));
  ASSERT_NE(nullptr, ResourceManager::GetFont(L"1"));
  EXPECT_EQ(first, ResourceManager::GetFont(L"0")->font.get());
  EXPECT_EQ(L"1", ResourceManager::GetDefaultFontId());
  EXPECT_EQ(second, ResourceManager::GetFont(L"")->font.get());

  LOGFONTW bold = Describe(second);
  EXPECT_EQ(-14, bold.lfHeight);
  EXPECT_GE(bold.lfWeight, FW_BOLD);
  EXPECT_TRUE(bold.lfUnderline);
  EXPECT_TRUE(bold.lfItalic);
  EXPECT_EQ(DEFAULT_CHARSET, bold.lfCharSet);
  EXPECT_STREQ(L"Tahoma", bold.lfFaceName);
  LOGFONTW plain = Describe(first);
  EXPECT_LT(plain.lfWeight, FW_BOLD);
  EXPECT_FALSE(plain.lfUnderline);

  // Same id again: the old record stays and is what the caller gets back,
  // but the default flag still moves.
  HFONT again = ResourceManager::AddFont(L"Courier New", L"0", 30, false, false, false, true);
  EXPECT_EQ(first, again);
  EXPECT_EQ(L"Arial", ResourceManager::GetFont(L"0")->face_name);
  EXPECT_EQ(12, ResourceManager::GetFont(L"0")->size);
  EXPECT_EQ(L"0", ResourceManager::GetDefaultFontId());
  EXPECT_EQ(2u, ResourceManager::GetFontCount());
  EXPECT_EQ(nullptr, ResourceManager::GetFont(L"unknown"));

  // The generated id is the count at the time, so it can collide with an
  // explicit one; then the first one stays as well.
  ResourceManager::AddFont(L"Arial", L"3", 10, false, false, false, false);
  EXPECT_NE(nullptr, ResourceManager::AddFont(L"Arial", L"", 11, false, false, false, false));
  EXPECT_EQ(10, ResourceManager::GetFont(L"3")->size);
  EXPECT_EQ(3u, ResourceManager::GetFontCount());

  // "system" picks the platform's UI face.
  ResourceManager::AddFont(L"system", L"sys", 12, false, false, false, false);
  EXPECT_EQ(L"\u5FAE\u8F6F\u96C5\u9ED1", ResourceManager::GetFont(L"sys")->face_name);

  // Sizes are scaled once, when the font is made.
  DpiScale::GetInstance().set_percent(150);
  DpiScale::GetInstance().set_enabled(true);
  HFONT scaled = ResourceManager::AddFont(L"Arial", L"scaled", 12, false, false, false, false);
  DpiScale::GetInstance().set_enabled(false);
  DpiScale::GetInstance().set_percent(100);
  EXPECT_EQ(18, ResourceManager::GetFont(L"scaled")->size);
  EXPECT_EQ(-18, Describe(scaled).lfHeight);

  ResourceManager::Shutdown();
  EXPECT_EQ(0u, ResourceManager::GetFontCount());
  EXPECT_EQ(nullptr, ResourceManager::GetFont(L""));
  // The handles went with their records.
  EXPECT_EQ(0, ::GetObjectW(first, sizeof(LOGFONTW), &plain));
}

TEST(ResourceManager, ColorsClassesAndDefaultColorNames) {
  EXPECT_EQ(0u, ResourceManager::GetTextColor(L"rm_test_later"));
  ResourceManager::AddTextColor(L"rm_test_later", 0xFF102030);
  EXPECT_EQ(0xFF102030u, ResourceManager::GetTextColor(L"rm_test_later"));
  ResourceManager::AddTextColor(L"rm_test_later", 0x00FF0000);
  EXPECT_EQ(0x00FF0000u, ResourceManager::GetTextColor(L"rm_test_later"));

  EXPECT_EQ(L"", ResourceManager::GetClassAttributes(L"rm_test_class"));
  ResourceManager::AddClass(L"rm_test_class", L"width=\"10\"");
  ResourceManager::AddClass(L"rm_test_class", L"width=\"10\" height=\"20\"");
  EXPECT_EQ(L"width=\"10\" height=\"20\"", ResourceManager::GetClassAttributes(L"rm_test_class"));

  EXPECT_EQ(L"textdefaultcolor", ResourceManager::GetDefaultTextColor());
  EXPECT_EQ(L"textdefaultdisablecolor", ResourceManager::GetDefaultDisabledTextColor());
  ResourceManager::SetDefaultTextColor(L"black");
  EXPECT_EQ(L"black", ResourceManager::GetDefaultTextColor());
  ResourceManager::SetDefaultTextColor(ResourceManager::kDefaultTextColor);
}

TEST(ResourceManager, StartupSetsPathFactoryAndLanguage) {
  const std::wstring root = test::TestDataPath(L"");
  Control* const made = reinterpret_cast<Control*>(static_cast<UINT_PTR>(0x1000));
  ResourceManager::Startup(root, [made](const std::wstring& name) { return name == L"CefControl" ? made : nullptr; },
                           L"themes\\default", L"lang");
  EXPECT_EQ(root + L"themes\\default\\", ResourceManager::GetResourcePath());
  ASSERT_TRUE(ResourceManager::GetControlFactory());
  EXPECT_EQ(made, ResourceManager::GetControlFactory()(L"CefControl"));
  EXPECT_EQ(nullptr, ResourceManager::GetControlFactory()(L"Other"));
  EXPECT_EQ(L"Login", ResourceManager::GetLanguageStrings().GetStringViaID(L"STRID_LOGIN_TITLE"));
  ResourceManager::Shutdown();
  ResourceManager::SetControlFactory(nullptr);
}

}  // namespace
}  // namespace ui
