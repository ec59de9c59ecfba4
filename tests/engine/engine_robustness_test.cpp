#include <gtest/gtest.h>

#include <random>

#include "engine/shared/command_line_impl.h"
#include "engine/in_process/v8_value_impl.h"

namespace {

using inproc::V8ValueImpl;

// Mutations of a seed text: flipped, dropped, doubled and cut characters.
std::wstring Mutate(const std::wstring& seed, std::mt19937& random) {
  static const wchar_t kAlphabet[] = L"{}[]\",:\\ 0123456789-+.eEtrufalsn\u00e9\u4f60\x01\"=";
  std::wstring text = seed;
  int edits = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < edits && !text.empty(); ++i) {
    size_t at = random() % text.size();
    switch (random() % 4) {
      case 0:
        text[at] = kAlphabet[random() % (sizeof(kAlphabet) / sizeof(wchar_t) - 1)];
        break;
      case 1:
        text.erase(at, 1);
        break;
      case 2:
        text.insert(at, 1, text[at]);
        break;
      default:
        text.resize(at);
        break;
    }
  }
  return text;
}

TEST(EngineRobustness, MutatedJsonEitherFailsOrRoundTripsStably) {
  const std::wstring seed =
      L"{\"name\":\"ShowMessageBox\",\"args\":[1,-2.5e3,true,false,null,{\"t\":\"\\u4f60\\\"\\n\"}],\"n\":{}}";
  std::mt19937 random(20261208);
  int parsed = 0;
  for (int i = 0; i < 3000; ++i) {
    std::wstring text = Mutate(seed, random);
    std::wstring error;
    CefRefPtr<V8ValueImpl> value = V8ValueImpl::FromJson(text, &error);
    if (!value) {
      EXPECT_FALSE(error.empty()) << i;
      continue;
    }
    ++parsed;
    std::wstring once = V8ValueImpl::ToJson(value.get());
    CefRefPtr<V8ValueImpl> again = V8ValueImpl::FromJson(once, nullptr);
    ASSERT_TRUE(again) << "case " << i;
    EXPECT_EQ(V8ValueImpl::ToJson(again.get()), once) << "case " << i;
  }
  // The mutations must leave a fair share of valid texts, or this tests little.
  EXPECT_GT(parsed, 100);
}

TEST(EngineRobustness, CommandLinesSurviveTheirOwnPrinting) {
  std::mt19937 random(7);
  const std::wstring seed = L"\"C:\\Program Files\\t.exe\" --type=renderer --a=\"x y\" --flag -- plain \"q\\\"z\"";
  for (int i = 0; i < 2000; ++i) {
    std::wstring text = Mutate(seed, random);
    CefRefPtr<engine::CommandLineImpl> line = engine::CommandLineImpl::FromString(text);
    CefRefPtr<engine::CommandLineImpl> again =
        engine::CommandLineImpl::FromString(line->GetCommandLineString().ToWString());
    ASSERT_EQ(again->Switches(), line->Switches()) << "case " << i;
    ASSERT_EQ(again->GetCommandLineString().ToWString(), line->GetCommandLineString().ToWString()) << "case " << i;
  }
  CefRefPtr<engine::CommandLineImpl> line =
      engine::CommandLineImpl::FromString(L"prog --type=gpu-process --type=renderer --empty=");
  EXPECT_EQ(line->GetSwitchValue("type").ToWString(), L"renderer");
  EXPECT_TRUE(line->HasSwitch("empty"));
  EXPECT_TRUE(line->GetSwitchValue("empty").empty());
}

}  // namespace
