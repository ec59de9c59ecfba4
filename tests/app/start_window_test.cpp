#include <gtest/gtest.h>

#include <string>

#include "app/basic_form.h"
#include "app/player_identity.h"
#include "app/portal.h"
#include "app/window_messages.h"
#include "app/window_names.h"
#include "base/path_util.h"
#include "program_folder.h"
#include "tests/support/test_support.h"
#include "ui/core/control.h"
#include "ui/core/resource_manager.h"

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The start window built in this process from the repository's skin.
class StartWindowInProcess : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::ResourceManager::Startup(app_test::ResourcesFolder() + L"\\", ui::ControlFactory(), L"themes\\default",
                                 L"lang\\zh_CN");
  }
  static void TearDownTestSuite() { ui::ResourceManager::Shutdown(); }

  void TearDown() override {
    // Destroying skips WM_CLOSE, so no quit is posted to the test's thread.
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  }

  tarnwell::BasicForm* Open(const std::wstring& config_path) {
    auto* form = new tarnwell::BasicForm(config_path);
    hwnd_ = form->Create(nullptr, tarnwell::kStartWindowName, 0x00CE0000, 0, true, ui::Rect());
    return hwnd_ ? form : nullptr;
  }

  HWND hwnd_ = nullptr;
};

TEST_F(StartWindowInProcess, TheIdentityFromConfigIniEndsTheLoginAddress) {
  std::wstring folder = test_support::TempFolder(L"app_tests", L"identity");
  ASSERT_TRUE(qbase::CreateDirectories(folder));
  std::wstring config = folder + L"config.ini";

  ASSERT_TRUE(app_test::WriteBytes(config, "[other]\r\nuid=99\r\n[trnw]\r\nuid=12\r\nfilename=ab\r\n"));
  tarnwell::BasicForm* form = Open(config);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->user_id(), L"12");
  EXPECT_EQ(form->file_name(), L"ab");
  std::wstring address = tarnwell::LoginAddressWithIdentity(form->login_address(), form->user_id(), form->file_name());
  EXPECT_TRUE(EndsWith(address, L"/game/s/wdAccess/?name=trnw&uid=12&suid=ab")) << address.size();
  EXPECT_EQ(address.rfind(L"http://", 0), 0u);
  ::DestroyWindow(hwnd_);

  // Another section of the same names is not ours.
  ASSERT_TRUE(app_test::WriteBytes(config, "[other]\r\nuid=99\r\nfilename=zz\r\n"));
  form = Open(config);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(EndsWith(tarnwell::LoginAddressWithIdentity(form->login_address(), form->user_id(), form->file_name()),
                       L"?name=trnw&uid=&suid="));
}

TEST_F(StartWindowInProcess, TheSkinGivesTheTitleAndTheCloseButtonWhereThePlayerFindsIt) {
  tarnwell::BasicForm* form = Open(test_support::TempFolder(L"app_tests", L"no_config") + L"config.ini");
  ASSERT_NE(form, nullptr);
  wchar_t title[64] = {};
  ::GetWindowTextW(hwnd_, title, 64);
  EXPECT_STREQ(title, L"Tarnwell");
  EXPECT_TRUE(form->user_id().empty());
  EXPECT_TRUE(form->file_name().empty());

  ui::Control* close = form->FindControl(L"btn_close");
  ASSERT_NE(close, nullptr);
  form->ShowWindow(true, false);
  ASSERT_TRUE(test_support::PumpUntil([&] { return !close->GetPos().IsEmpty(); }, 10000));
  // The program-level tests click here: 24 left of and 19 below the
  // picture's top-right corner, inside a 14-pixel shadow.
  RECT client = {};
  ::GetClientRect(hwnd_, &client);
  EXPECT_TRUE(close->GetPos().Contains(client.right - 14 - 24, 14 + 19));
  EXPECT_EQ(close->GetPos().Width(), 36);
  EXPECT_EQ(close->GetPos().Height(), 30);
}

TEST(PlayerIdentity, ValuesAreCutToTheBufferAndAMissingFileGivesNothing) {
  std::wstring folder = test_support::TempFolder(L"app_tests", L"identity_file");
  ASSERT_TRUE(qbase::CreateDirectories(folder));
  std::wstring config = folder + L"config.ini";
  ASSERT_TRUE(app_test::WriteBytes(
      config, "[trnw]\r\nuid=" + std::string(5000, '7') + "\r\nfilename=" + std::string(300, 'x') + "\r\n"));
  tarnwell::PlayerIdentity identity = tarnwell::ReadPlayerIdentity(config);
  EXPECT_EQ(identity.user_id, std::wstring(259, L'7'));
  EXPECT_EQ(identity.file_name, std::wstring(259, L'x'));

  identity = tarnwell::ReadPlayerIdentity(folder + L"absent.ini");
  EXPECT_TRUE(identity.user_id.empty());
  EXPECT_TRUE(identity.file_name.empty());
}

TEST(WindowMessages, OnlyAddressesThisProcessPostedAreTakenAndEachOnce) {
  HWND target = ::CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(tarnwell::PostOpenGame(target, L"http://trnw.example/wd/?m=game&server=3"));
  MSG message = {};
  ASSERT_TRUE(::PeekMessageW(&message, target, tarnwell::OpenGameMessage, tarnwell::OpenGameMessage, PM_REMOVE));

  std::unique_ptr<std::wstring> address = tarnwell::TakeOpenGameAddress(message.lParam);
  ASSERT_NE(address, nullptr);
  EXPECT_EQ(*address, L"http://trnw.example/wd/?m=game&server=3");
  EXPECT_EQ(tarnwell::TakeOpenGameAddress(message.lParam), nullptr);

  std::wstring foreign = L"not from PostOpenGame";
  EXPECT_EQ(tarnwell::TakeOpenGameAddress(reinterpret_cast<LPARAM>(&foreign)), nullptr);
  EXPECT_EQ(tarnwell::TakeOpenGameAddress(0), nullptr);
  ::DestroyWindow(target);

  // A post that cannot be delivered keeps nothing in flight.
  EXPECT_FALSE(tarnwell::PostOpenGame(target, L"http://trnw.example/"));
}

}  // namespace
