#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/game_title.h"
#include "app/login_navigation.h"
#include "app/portal.h"
#include "app/system_browser.h"

using tarnwell::DecideLoginNavigation;
using tarnwell::LoginNavigation;

namespace {

TEST(LoginNavigation, TheRulesDecideInTheirOrderAndCaseMatters) {
  const struct {
    const wchar_t* url;
    LoginNavigation expected;
  } cases[] = {
      {L"http://trnw.plaxon.com/wd/index.php?m=game&server=3", LoginNavigation::kOpenGame},
      // The game rule comes first, even on the payment host.
      {L"http://pay.plaxon.com/buy?m=game", LoginNavigation::kOpenGame},
      {L"http://www.plaxon.com/mg/s/new_server/list", LoginNavigation::kCancel},
      {L"http://www.plaxon.com/kefu/help.html", LoginNavigation::kCancel},
      {L"https://pay.plaxon.com/order", LoginNavigation::kCancel},
      {L"http://www.plaxon.com/game/s/wdAccess/?name=trnw&uid=12&suid=ab", LoginNavigation::kAllow},
      {L"https://other.example/", LoginNavigation::kAllow},
      {L"http://trnw.plaxon.com/wd/login.php", LoginNavigation::kAllow},
      {L"http://trnw.plaxon.com/news/", LoginNavigation::kCancel},
      // Case-sensitive searches: these forms match no rule's text.
      {L"http://trnw.plaxon.com/wd/?M=GAME", LoginNavigation::kAllow},
      {L"http://WWW.PLAXON.COM/kefu/", LoginNavigation::kAllow},
      {L"http://TRNW.PLAXON.COM/news/", LoginNavigation::kAllow},
  };
  for (const auto& entry : cases) {
    EXPECT_EQ(DecideLoginNavigation(entry.url), entry.expected)
        << std::string(entry.url, entry.url + wcslen(entry.url));
  }
  EXPECT_EQ(std::wstring(tarnwell::GameHost), L"trnw.plaxon.com");
  EXPECT_EQ(std::wstring(tarnwell::PortalPaymentHost), L"pay.plaxon.com");
}

std::wstring FromAnsi(const std::string& bytes) {
  int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(length, L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
  return text;
}

TEST(GameTitle, FieldsAreDecodedFromTheAnsiCodePageAndMalformedEscapesStay) {
  // Four escapes: two characters in the double-byte code pages the game's
  // players use ("游戏" in GBK), whatever the system's page makes of them.
  const std::wstring title = tarnwell::GameTitleFromAddress(L"http://trnw.plaxon.com/wd/?m=game|%D3%CE%CF%B7|S12");
  EXPECT_EQ(title, FromAnsi("\xD3\xCE\xCF\xB7") + L"-S12");
  if (::GetACP() == 936) {
    EXPECT_EQ(title, L"\u6E38\u620F-S12");
  }
  EXPECT_EQ(tarnwell::GameTitleFromAddress(L"http://trnw.plaxon.com/wd/?m=game"), L"Tarnwell");
  // One "|": the remainder is both fields.
  EXPECT_EQ(tarnwell::GameTitleFromAddress(L"http://x/?m=game|Abc"), L"Abc-Abc");
  EXPECT_EQ(tarnwell::GameTitleFromAddress(L"http://x/?m=game|A%20B|C%41"), L"A B-CA");

  // A "%" without two hexadecimal digits after it is kept as it is.
  EXPECT_EQ(tarnwell::PercentDecode("50%"), "50%");
  EXPECT_EQ(tarnwell::PercentDecode("a%4"), "a%4");
  EXPECT_EQ(tarnwell::PercentDecode("%zz%4g%%41"), "%zz%4g%A");
  EXPECT_EQ(tarnwell::PercentDecode("%41%4a%4A"), "AJJ");
  EXPECT_EQ(tarnwell::GameTitleFromAddress(L"http://x/?m=game|S%|%4"), L"S%-%4");
}

TEST(SystemBrowser, OnlyWebAddressesReachTheShell) {
  std::vector<std::wstring> opened;
  auto opener = [&opened](const std::wstring& url) { opened.push_back(url); };
  const std::vector<std::wstring> allowed = {L"http://www.plaxon.com/kefu/", L"https://pay.plaxon.com/order?id=1",
                                             L"HTTPS://Pay.Plaxon.com/", L"hTtP://example.com:8080/a#b"};
  const std::vector<std::wstring> refused = {
      L"file:///C:/Windows/System32/calc.exe",
      L"FILE:///C:/boot.ini",
      L"\\\\host\\share\\run.exe",
      L"//host/share",
      L"smb://host/share",
      L"ms-msdt:/id PCWDiagnostic",
      L"MS-MSDT:-id",
      L"search-ms:query=secret&crumb=location:\\\\host\\share",
      L"tarnwell://run",
      L"javascript:alert(1)",
      L"mailto:someone@example.com",
      L"C:\\Windows\\notepad.exe",
      L" http://example.com/",
      L"\thttps://example.com/",
      L"http://exa\tmple.com/",
      L"http://example.com/\x01path",
      L"https://example.com/a\nb",
      L"http:///nohost",
      L"http:",
      L"",
  };
  for (const std::wstring& url : allowed) EXPECT_TRUE(tarnwell::OpenInSystemBrowser(url, opener)) << url.size();
  for (const std::wstring& url : refused) {
    EXPECT_FALSE(tarnwell::OpenInSystemBrowser(url, opener)) << std::string(url.begin(), url.end());
  }
  EXPECT_EQ(opened, allowed);
}

}  // namespace
