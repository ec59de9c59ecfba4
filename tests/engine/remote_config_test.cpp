#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/remote/browser_arguments.h"
#include "engine/remote/browser_process.h"
#include "engine/shared/command_line_text.h"
#include "engine/shared/engine_config.h"
#include "engine/remote/page_agent.h"
#include "engine/remote/page_navigation.h"
#include "engine_test_support.h"

namespace {

bool Contains(const std::vector<std::wstring>& list, const std::wstring& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

void WriteFile(const std::wstring& path, const std::string& text) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(file);
}

TEST(RemoteConfig, EngineIniNamesTheBrowserAndItsArgumentsAsTheyStand) {
  std::wstring folder = test_support::TempFolder(L"tarnwell_engine_tests", L"config");
  ::CreateDirectoryW(folder.c_str(), nullptr);
  EXPECT_FALSE(engine::EngineConfig::Read(folder + L"missing.ini").NamesBrowser());
  WriteFile(folder + L"empty.ini", "");
  EXPECT_FALSE(engine::EngineConfig::Read(folder + L"empty.ini").NamesBrowser());
  WriteFile(folder + L"other.ini", "[other]\r\nbrowser=/usr/bin/chromium\r\n");
  EXPECT_FALSE(engine::EngineConfig::Read(folder + L"other.ini").NamesBrowser());

  std::string long_value(10000, 'x');
  WriteFile(folder + L"engine.ini", "[engine]\r\nbrowser = \"C:\\Program Files\\Browser\\browser.exe\" \r\narguments=" +
                                        std::string("--host-resolver-rules=\"MAP * 127.0.0.1\" --a=") + long_value +
                                        "\r\n");
  engine::EngineConfig config = engine::EngineConfig::Read(folder + L"engine.ini");
  EXPECT_EQ(config.browser, L"C:\\Program Files\\Browser\\browser.exe");
  std::vector<std::wstring> split = engine::SplitArguments(config.arguments);
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[0], L"--host-resolver-rules=MAP * 127.0.0.1");
  EXPECT_EQ(split[1].size(), 4u + 10000u);
}

TEST(RemoteConfig, TheApplicationsSwitchesMapOntoTheBrowsersOwnAndTheExtraArgumentsComeLast) {
  remote::BrowserArgumentInputs inputs;
  inputs.client_switches = {{L"ppapi-flash-version", L"20.0.0.228"},
                            {L"process-per-site", L""},
                            {L"enable-webgl", L"1"},
                            {L"ignore-gpu-blacklist", L"1"},
                            {L"high-dpi-support", L"1"},
                            {L"force-device-scale-factor", L"1"},
                            {L"disable-surfaces", L""}};
  inputs.user_data_dir = L"/tmp/data dir";
  inputs.log_file = L"C:\\app\\browser.log";
  inputs.no_sandbox = true;
  inputs.locale = L"zh-CN";
  inputs.extra_arguments = L"--host-resolver-rules=\"MAP a.test 127.0.0.1\" --lang=en-US";
  std::vector<std::wstring> arguments = remote::BrowserArguments(inputs);
  EXPECT_EQ(arguments.front(), L"--headless");
  EXPECT_TRUE(Contains(arguments, L"--remote-debugging-port=0"));
  EXPECT_TRUE(Contains(arguments, L"--user-data-dir=/tmp/data dir"));
  EXPECT_TRUE(Contains(arguments, L"--no-sandbox"));
  EXPECT_TRUE(Contains(arguments, L"--log-file=C:\\app\\browser.log"));
  EXPECT_TRUE(Contains(arguments, L"--process-per-site"));
  EXPECT_TRUE(Contains(arguments, L"--ignore-gpu-blocklist"));
  EXPECT_TRUE(Contains(arguments, L"--force-device-scale-factor=1"));
  for (const std::wstring& argument : arguments) {
    EXPECT_EQ(argument.find(L"flash"), std::wstring::npos);
    EXPECT_EQ(argument.find(L"surfaces"), std::wstring::npos);
  }
  // The extra arguments win over the engine's own by coming after them.
  auto own_lang = std::find(arguments.begin(), arguments.end(), L"--lang=zh-CN");
  auto extra_lang = std::find(arguments.begin(), arguments.end(), L"--lang=en-US");
  ASSERT_NE(own_lang, arguments.end());
  ASSERT_NE(extra_lang, arguments.end());
  EXPECT_LT(own_lang, extra_lang);
  EXPECT_TRUE(Contains(arguments, L"--host-resolver-rules=MAP a.test 127.0.0.1"));

  // A Linux browser logs through its launcher, not a file switch.
  inputs.windows_program = false;
  arguments = remote::BrowserArguments(inputs);
  for (const std::wstring& argument : arguments) EXPECT_NE(argument.find(L"--log-file"), 0u);
}

TEST(RemoteConfig, ArgumentsSurviveQuotingWhateverTheyHold) {
  std::mt19937 random(1515);
  const std::wstring alphabet = L"ab \t\"\\=-\u4f60\u00e9";
  for (int i = 0; i < 2000; ++i) {
    std::vector<std::wstring> arguments(1 + random() % 4);
    for (std::wstring& argument : arguments) {
      size_t length = random() % 8;
      for (size_t j = 0; j < length; ++j) argument.push_back(alphabet[random() % alphabet.size()]);
    }
    std::wstring line;
    for (const std::wstring& argument : arguments) line += (line.empty() ? L"" : L" ") + engine::QuoteArgument(argument);
    ASSERT_EQ(engine::SplitArguments(line), arguments) << "case " << i;
  }
}

TEST(RemoteConfig, ProtocolTextsAreReadWithoutTrust) {
  EXPECT_EQ(remote::NetErrorCode("net::ERR_CONNECTION_REFUSED"), -102);
  EXPECT_EQ(remote::NetErrorCode("net::ERR_NAME_NOT_RESOLVED"), -105);
  EXPECT_EQ(remote::NetErrorCode("nonsense"), -2);
  EXPECT_EQ(remote::NetErrorCode(""), -2);

  remote::PageAgent::Report title = remote::PageAgent::Parse("{\"kind\":\"title\",\"value\":\"\xE4\xBD\xA0 A\"}");
  EXPECT_EQ(title.kind, remote::PageAgent::Kind::kTitle);
  EXPECT_EQ(title.text, "\xE4\xBD\xA0 A");
  remote::PageAgent::Report focus =
      remote::PageAgent::Parse("{\"kind\":\"focus\",\"value\":{\"focused\":true,\"editable\":true}}");
  EXPECT_EQ(focus.kind, remote::PageAgent::Kind::kFocus);
  EXPECT_TRUE(focus.editable);
  for (const char* bad : {"", "{", "[]", "{\"kind\":\"title\",\"value\":5}", "{\"kind\":\"cursor\"}",
                          "{\"kind\":\"focus\",\"value\":\"yes\"}", "{\"kind\":\"other\",\"value\":\"x\"}", "null"}) {
    EXPECT_EQ(remote::PageAgent::Parse(bad).kind, remote::PageAgent::Kind::kNone) << bad;
  }
}

}  // namespace
