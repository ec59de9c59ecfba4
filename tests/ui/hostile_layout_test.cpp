// Layouts that stay within every nesting limit and still ask for unbounded
// work: self-including files with large counts, classes that name
// themselves, huge sibling lists and megabyte values.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/ui/byte_mutator.h"
#include "tests/ui/control_test_host.h"
#include "tests/ui/render_support.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/markup_builder.h"
#include "ui/core/resource_manager.h"

namespace ui {
namespace {

// Far more than any real skin holds; a bound build stays below it.
constexpr int kPlentyOfControls = 50000;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Outcome {
  bool built = false;
  int controls = 0;  // alive after the build, layout and events
  double seconds = 0;
  int leaked = 0;  // alive after everything was destroyed
};

// Builds |layout| for a host, lays it out, sends it events, destroys it.
Outcome BuildHostile(const std::wstring& layout, const MarkupBuilder::CreateControlCallback& callback = nullptr) {
  Outcome outcome;
  const int before = Control::GetInstanceCount();
  LARGE_INTEGER start, end;
  ::QueryPerformanceCounter(&start);
  {
    test::TestHost host;
    MarkupBuilder builder;
    Control* root = builder.Create(layout, callback, &host);
    if (root) {
      outcome.built = true;
      host.AttachRoot(root);
      host.Layout(Rect(0, 0, 400, 300));
      root->SendEvent(kEventMouseButtonDown);
      outcome.controls = Control::GetInstanceCount() - before;
    }
  }
  ::QueryPerformanceCounter(&end);
  outcome.seconds = Seconds(start, end);
  outcome.leaked = Control::GetInstanceCount() - before;
  return outcome;
}

class HostileLayout : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = test::MakeTempFolder(L"ctl_hostile"); }
  void TearDown() override {
    for (const std::wstring& file : files_) ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }
  std::wstring Write(const std::wstring& name, const std::string& text) {
    const std::wstring path = folder_ + name;
    EXPECT_TRUE(test::WriteFileBytes(path, text));
    files_.push_back(path);
    return path;
  }
  std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

  std::wstring folder_;
  std::vector<std::wstring> files_;
};

TEST_F(HostileLayout, SelfAndMutuallyIncludingFilesAreBounded) {
  // Each copy adds a control and includes the file a thousand times more:
  // a thousand to the eighth power within the depth limit.
  const std::wstring self = folder_ + L"self.xml";
  Write(L"self.xml", "<Window><Control/><Include source=\"" + Narrow(self) + "\" count=\"1000\"/></Window>");
  Outcome outcome = BuildHostile(L"<Window><VBox><Include source=\"" + self + L"\" count=\"1000\"/></VBox></Window>");
  EXPECT_TRUE(outcome.built);
  EXPECT_GT(outcome.controls, 1000) << "the window shows what was built";
  EXPECT_LT(outcome.controls, kPlentyOfControls);
  EXPECT_EQ(0, outcome.leaked);
  EXPECT_LT(outcome.seconds, 1.0);

  // Two files that include each other, with nothing to build at all: the
  // includes alone must be bounded.
  const std::wstring a = folder_ + L"a.xml";
  const std::wstring b = folder_ + L"b.xml";
  Write(L"a.xml", "<Window><Include source=\"" + Narrow(b) + "\" count=\"1000\"/></Window>");
  Write(L"b.xml", "<Window><Include source=\"" + Narrow(a) + "\" count=\"1000\"/></Window>");
  outcome = BuildHostile(L"<Window><VBox><Control/><Include source=\"" + a + L"\" count=\"1000\"/></VBox></Window>");
  EXPECT_TRUE(outcome.built);
  EXPECT_EQ(0, outcome.leaked);
  EXPECT_LT(outcome.seconds, 1.0);
}

TEST_F(HostileLayout, AFileIncludedManyTimesIsReadOnce) {
  // The factory rewrites the file while the copies are built; every copy
  // must still come from the first reading.
  const std::wstring row = Write(L"row.xml", "<Window><Probe name=\"first\"/></Window>");
  int made = 0;
  auto rewrite = [&](const std::wstring& name) -> Control* {
    if (name != L"Probe") return nullptr;
    if (made++ == 0) test::WriteFileBytes(row, "<Window><Control name=\"rewritten\"/></Window>");
    return new Control();
  };
  test::TestHost host;
  MarkupBuilder builder;
  Control* root = builder.Create(L"<Window><VBox><Include source=\"" + row + L"\" count=\"5\"/></VBox></Window>",
                                 rewrite, &host);
  ASSERT_NE(nullptr, root);
  host.AttachRoot(root);
  Box* box = static_cast<Box*>(root);
  ASSERT_EQ(5u, box->GetCount());
  for (size_t i = 0; i < box->GetCount(); ++i) EXPECT_EQ(L"first", box->GetItemAt(i)->GetName()) << i;
  EXPECT_EQ(5, made);
}

TEST_F(HostileLayout, ClassesThatNameThemselvesAreBounded) {
  // Eight names per level, sixteen levels deep: 8^16 lists without a bound.
  std::wstring names;
  for (int i = 0; i < 8; ++i) names += L"hostile_self ";
  ResourceManager::AddClass(L"hostile_self", L"class=\"" + names + L"\" width=\"7\"");
  Outcome outcome = BuildHostile(
      L"<Window><VBox><Control name=\"a\" class=\"hostile_self\"/><Control class=\"hostile_self\"/></VBox></Window>");
  EXPECT_TRUE(outcome.built);
  EXPECT_EQ(3, outcome.controls);
  EXPECT_EQ(0, outcome.leaked);
  EXPECT_LT(outcome.seconds, 1.0);

  // The same class applied later by an attribute list is bounded as well.
  Control control;
  LARGE_INTEGER start, end;
  ::QueryPerformanceCounter(&start);
  control.ApplyAttributeList(L"class=\"hostile_self\"");
  ::QueryPerformanceCounter(&end);
  EXPECT_EQ(7, control.GetFixedWidth());
  EXPECT_LT(Seconds(start, end), 1.0);
  ResourceManager::AddClass(L"hostile_self", L"");
}

TEST_F(HostileLayout, HugeSiblingListsAndMegabyteValues) {
  std::wstring siblings = L"<Window><VBox>";
  for (int i = 0; i < 10000; ++i) siblings += L"<Control height=\"1\"/>";
  siblings += L"</VBox></Window>";
  Outcome outcome = BuildHostile(siblings);
  EXPECT_TRUE(outcome.built);
  EXPECT_EQ(10001, outcome.controls) << "ten thousand siblings are within what a skin may hold";
  EXPECT_EQ(0, outcome.leaked);
  EXPECT_LT(outcome.seconds, 1.0);

  // A megabyte in a name, a colour, a class list and an event's lists; a
  // class whose list is a megabyte, applied by a megabyte of its names.
  const std::wstring mega(1 << 20, L'x');
  std::wstring mega_names;
  while (mega_names.size() < (1u << 20)) mega_names += L"hostile_mega ";
  ResourceManager::AddClass(L"hostile_mega", L"width=\"3\" name=\"" + mega + L"\"");
  outcome = BuildHostile(L"<Window><VBox><Control name=\"" + mega + L"\" bkcolor=\"" + mega + L"\" tooltiptext=\"" +
                         mega + L"\"/><Control class=\"" + mega_names + L"\"/><Label text=\"" + mega +
                         L"\"/><Event type=\"" + mega_names + L"\" receiver=\"" + mega_names +
                         L"\" applyattribute=\"" + mega + L"\"/></VBox></Window>");
  EXPECT_TRUE(outcome.built);
  EXPECT_EQ(4, outcome.controls);
  EXPECT_EQ(0, outcome.leaked);
  EXPECT_LT(outcome.seconds, 2.0);
  ResourceManager::AddClass(L"hostile_mega", L"");
}

// Generated layouts mixing the patterns above with seeded counts.
TEST_F(HostileLayout, GeneratedHostileLayoutsEndQuicklyWithoutLeaks) {
  test::ByteMutator random(0xB0B0CAFE);
  const std::wstring self = folder_ + L"gen_self.xml";
  const std::wstring ping = folder_ + L"gen_ping.xml";
  const std::wstring pong = folder_ + L"gen_pong.xml";
  double slowest = 0;
  int built = 0;
  for (int round = 0; round < 8; ++round) {
    auto count = [&] { return std::to_string(1 + random.Below(1000)); };
    std::wstring names;
    const size_t repeats = 2 + random.Below(10);
    for (size_t i = 0; i < repeats; ++i) names += L"gen_class ";
    ResourceManager::AddClass(L"gen_class", L"class=\"" + names + L"\" height=\"" +
                                                std::to_wstring(random.Below(40)) + L"\"");
    Write(L"gen_self.xml", "<Window><HBox><Control class=\"gen_class\"/><Include source=\"" + Narrow(self) +
                               "\" count=\"" + count() + "\"/></HBox></Window>");
    Write(L"gen_ping.xml", "<Window><Control/><Include source=\"" + Narrow(pong) + "\" count=\"" + count() +
                               "\"/></Window>");
    Write(L"gen_pong.xml", "<Window><Include source=\"" + Narrow(ping) + "\" count=\"" + count() + "\"/></Window>");
    std::wstring layout = L"<Window><VBox>";
    const size_t parts = 1 + random.Below(6);
    for (size_t part = 0; part < parts; ++part) {
      switch (random.Below(4)) {
        case 0:
          layout += L"<Include source=\"" + self + L"\" count=\"" + std::to_wstring(1 + random.Below(1000)) + L"\"/>";
          break;
        case 1:
          layout += L"<Include source=\"" + ping + L"\" count=\"" + std::to_wstring(1 + random.Below(1000)) + L"\"/>";
          break;
        case 2:
          for (size_t i = 0, n = random.Below(3000); i < n; ++i) layout += L"<Control class=\"gen_class\"/>";
          break;
        default:
          layout += L"<Box name=\"" + std::wstring(random.Below(200000), L'n') + L"\" class=\"gen_class\"/>";
          break;
      }
    }
    layout += L"</VBox></Window>";
    const Outcome outcome = BuildHostile(layout);
    built += outcome.built ? 1 : 0;
    EXPECT_EQ(0, outcome.leaked) << round;
    EXPECT_LT(outcome.controls, kPlentyOfControls) << round;
    slowest = std::max(slowest, outcome.seconds);
  }
  EXPECT_EQ(8, built);
  EXPECT_LT(slowest, 1.0);
  ResourceManager::AddClass(L"gen_class", L"");
}

}  // namespace
}  // namespace ui
