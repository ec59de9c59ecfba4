#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>
#include <string>

#include "tests/ui/byte_mutator.h"
#include "tests/ui/control_test_host.h"
#include "tests/ui/render_support.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/markup_builder.h"
#include "ui/core/resource_manager.h"

namespace ui {
namespace {

// Counts the attribute values applied to it, so tests can count handlers.
class Probe : public Control {
 public:
  void SetAttribute(const std::wstring& name, const std::wstring& value) override {
    if (name == L"dataid") ++applied;
    Control::SetAttribute(name, value);
  }
  int applied = 0;
};

MarkupBuilder::CreateControlCallback ProbeFactory() {
  return [](const std::wstring& name) -> Control* { return name == L"Probe" ? new Probe() : nullptr; };
}

TEST(MarkupGlobal, FillsFontsColoursClassesAndDefaultColours) {
  const std::wstring saved = ResourceManager::GetResourcePath();
  ResourceManager::SetResourcePath(test::TestDataPath(L"skins\\controls"));
  ResourceManager::LoadGlobalResources();
  ResourceManager::SetResourcePath(saved);

  ASSERT_NE(nullptr, ResourceManager::GetFont(L"ctl_font"));
  EXPECT_EQ(L"Arial", ResourceManager::GetFont(L"ctl_font")->face_name) << "the first definition stays";
  EXPECT_TRUE(ResourceManager::GetFont(L"ctl_font")->bold);
  EXPECT_EQ(0xFF202020u, ResourceManager::GetTextColor(L"ctl_text"));
  EXPECT_EQ(0u, ResourceManager::GetTextColor(L"ctl_empty"));
  EXPECT_EQ(L"ctl_text", ResourceManager::GetDefaultTextColor());
  EXPECT_EQ(L"ctl_text_disabled", ResourceManager::GetDefaultDisabledTextColor());
  // The value starts the list, later attributes follow, "_value" stands
  // for an attribute called value, and a later class replaces an earlier.
  EXPECT_EQ(L"width=\"11\"", ResourceManager::GetClassAttributes(L"ctl_button"));
  EXPECT_EQ(L"value=\"on\" bkcolor=\"ctl_text\"", ResourceManager::GetClassAttributes(L"ctl_valued"));
  ResourceManager::SetDefaultTextColor(ResourceManager::kDefaultTextColor);
  ResourceManager::SetDefaultDisabledTextColor(ResourceManager::kDefaultDisabledTextColor);

  MarkupBuilder builder;
  std::unique_ptr<Control> built(builder.Create(
      L"<Global><Class name=\"ctl_list\" value=\"width=&quot;10&quot;\" height=\"20\"/><Control/></Global>"));
  EXPECT_NE(nullptr, built) << "a control after the resources is still built";
  EXPECT_EQ(L"width=\"10\" height=\"20\"", ResourceManager::GetClassAttributes(L"ctl_list"));
}

TEST(MarkupBuilder, ClassListsIncludesAndUnknownElements) {
  const int before = Control::GetInstanceCount();
  {
    test::TestHost host;
    ResourceManager::AddClass(L"ctl_wide", L"width=\"30\"");
    const std::wstring row = test::TestDataPath(L"skins\\controls\\include_row.xml");
    MarkupBuilder builder;
    Control* root = builder.Create(L"<Window><Class name=\"local\" height=\"9\"/><HBox name=\"root\">"
                                   L"<Control name=\"styled\" class=\"ctl_wide local\"/>"
                                   L"<Include source=\"" + row + L"\" count=\"3\"/>"
                                   L"<Unknown><Control name=\"lost\"/></Unknown>"
                                   L"<Probe name=\"probe\"/></HBox></Window>",
                                   ProbeFactory(), &host);
    ASSERT_NE(nullptr, root);
    host.AttachRoot(root);
    Box* box = dynamic_cast<Box*>(root);
    ASSERT_NE(nullptr, box);
    ASSERT_EQ(5u, box->GetCount());  // styled, three included, the probe
    EXPECT_EQ(30, box->GetItemAt(0)->GetFixedWidth());
    EXPECT_EQ(9, box->GetItemAt(0)->GetFixedHeight());
    for (size_t i = 1; i <= 3; ++i) EXPECT_EQ(L"included", box->GetItemAt(i)->GetName());
    EXPECT_NE(nullptr, dynamic_cast<Probe*>(box->GetItemAt(4)));
    EXPECT_EQ(nullptr, host.FindControl(L"lost")) << "an unknown element drops its subtree";
    EXPECT_EQ(L"height=\"9\"", host.GetClassAttributes(L"local"));

    // The application's factory is asked before the caller's callback.
    ResourceManager::SetControlFactory([](const std::wstring& name) -> Control* {
      return name == L"Probe" ? new Box() : nullptr;
    });
    MarkupBuilder second;
    Control* made = second.Create(L"<Layout><Probe/></Layout>", ProbeFactory());
    EXPECT_NE(nullptr, dynamic_cast<Box*>(made));
    delete made;
    ResourceManager::SetControlFactory(nullptr);
  }
  EXPECT_EQ(before, Control::GetInstanceCount());
}

TEST(MarkupBuilder, EventsMakeOneHandlerPerTypeAndReceiver) {
  test::TestHost host;
  MarkupBuilder builder;
  Control* root = builder.Create(
      L"<Window><VBox name=\"root\"><Probe name=\"a\"/><Probe name=\"b\"/>"
      L"<Event type=\"buttondown buttonup\" receiver=\"a b\" applyattribute=\"dataid=&quot;hit&quot;\"/>"
      L"<Event type=\"nosuchevent\" receiver=\"a\" applyattribute=\"dataid=&quot;never&quot;\"/>"
      L"<VBox name=\"panel1\"><Probe name=\"x\"/>"
      L"<Event type=\"select\" receiver=\"./x\" applyattribute=\"dataid=&quot;p1&quot;\"/></VBox>"
      L"<VBox name=\"panel2\"><Probe name=\"x\"/>"
      L"<BubbledEvent type=\"select\" receiver=\"x\" applyattribute=\"dataid=&quot;bubbled&quot;\"/></VBox>"
      L"<Probe name=\"plain\"><BubbledEvent type=\"all\" receiver=\"a\" applyattribute=\"dataid=&quot;z&quot;\"/>"
      L"</Probe></VBox></Window>",
      ProbeFactory(), &host);
  ASSERT_NE(nullptr, root);
  host.AttachRoot(root);
  Probe* a = static_cast<Probe*>(host.FindControl(L"a"));
  Probe* b = static_cast<Probe*>(host.FindControl(L"b"));
  ASSERT_TRUE(a && b);

  // Two types times two receivers: four handlers, each applying once.
  root->SendEvent(kEventMouseButtonDown);
  root->SendEvent(kEventMouseButtonUp);
  EXPECT_EQ(2, a->applied);
  EXPECT_EQ(2, b->applied);
  EXPECT_EQ(L"hit", a->GetDataID());

  // "./x" stays inside panel1 although the window maps "x" to panel2's.
  Box* panel1 = static_cast<Box*>(root->FindControl(
      [](Control* c, void*) { return c->GetName() == L"panel1" ? c : nullptr; }, nullptr, 0));
  ASSERT_NE(nullptr, panel1);
  Probe* inner_x = static_cast<Probe*>(panel1->GetItemAt(0));
  Probe* window_x = static_cast<Probe*>(host.FindControl(L"x"));
  ASSERT_NE(inner_x, window_x);
  panel1->SendEvent(kEventSelect);
  EXPECT_EQ(L"p1", inner_x->GetDataID());
  EXPECT_EQ(L"", window_x->GetDataID());

  // A bubbled handler fires for a descendant's event; on a plain control
  // it is ignored.
  window_x->SendEvent(kEventSelect);
  EXPECT_EQ(L"bubbled", window_x->GetDataID());
  const int applied = a->applied;
  host.FindControl(L"plain")->SendEvent(kEventValueChange);
  EXPECT_EQ(applied, a->applied);
}

TEST(MarkupBuilder, WindowRootsKeepResourcesToTheGlobalFile) {
  test::TestHost host;
  const std::wstring layout =
      L"<Window size=\"400,300\" caption=\"0,0,0,28\"><Font id=\"ctl_window_font\" name=\"Arial\" size=\"9\"/>"
      L"<TextColor name=\"ctl_window_colour\" value=\"#FF123456\"/><Class name=\"ctl_window_class\" width=\"12\"/>"
      L"<Control class=\"ctl_window_class\"/></Window>";
  MarkupBuilder builder;
  std::unique_ptr<Control> control(builder.Create(layout, nullptr, &host));
  ASSERT_NE(nullptr, control);
  EXPECT_EQ(12, control->GetFixedWidth());
  EXPECT_EQ(nullptr, ResourceManager::GetFont(L"ctl_window_font"));
  EXPECT_EQ(0u, ResourceManager::GetTextColor(L"ctl_window_colour"));
  EXPECT_TRUE(host.window_attributes().empty()) << "no native window, no window properties";

  host.CreateNativeWindow();
  ASSERT_NE(nullptr, host.GetHWND());
  MarkupBuilder again;
  std::unique_ptr<Control> second(again.Create(layout, nullptr, &host));
  ASSERT_EQ(2u, host.window_attributes().size());
  EXPECT_EQ(L"size", host.window_attributes()[0].first);
  EXPECT_EQ(L"400,300", host.window_attributes()[0].second);
  EXPECT_EQ(L"caption", host.window_attributes()[1].first);
}

TEST(MarkupBuilder, NonBoxParentsAbortAndPremadeRootsAreFilled) {
  const int before = Control::GetInstanceCount();
  {
    MarkupBuilder builder;
    EXPECT_EQ(nullptr, builder.Create(L"<Window><VBox><Control><Control/></Control></VBox></Window>"));
    EXPECT_EQ(before, Control::GetInstanceCount()) << "nothing half-built is left behind";

    // Controls added before the abort stay in the caller's parent.
    Box parent;
    MarkupBuilder into;
    EXPECT_EQ(nullptr, into.Create(L"<Window><Control name=\"kept\"/><Control><Control/></Control></Window>",
                                   nullptr, nullptr, &parent));
    ASSERT_EQ(1u, parent.GetCount());
    EXPECT_EQ(L"kept", parent.GetItemAt(0)->GetName());

    // A parent that is not a box cannot take children at all.
    Control leaf;
    MarkupBuilder no_box;
    EXPECT_EQ(nullptr, no_box.Create(L"<Window><Control/></Window>", nullptr, nullptr, &leaf));

    // The first control element configures the given root; later ones are
    // ignored.
    Box root;
    MarkupBuilder premade;
    EXPECT_EQ(&root, premade.Create(L"<Window><Image/><VBox name=\"content\" width=\"77\"><Control/><Control/>"
                                    L"</VBox><Control name=\"ignored\"/></Window>",
                                    nullptr, nullptr, nullptr, &root));
    EXPECT_EQ(L"content", root.GetName());
    EXPECT_EQ(77, root.GetFixedWidth());
    EXPECT_EQ(2u, root.GetCount());

    // Without a parent only the first top-level control is built.
    MarkupBuilder loose;
    std::unique_ptr<Control> first(loose.Create(L"<Window><Control name=\"one\"/><Control name=\"two\"/></Window>"));
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(L"one", first->GetName());

    MarkupBuilder broken;
    EXPECT_EQ(nullptr, broken.Create(L"<Window><Control></Window>"));
    EXPECT_EQ(nullptr, broken.Create(L"no_such_layout_file.xml"));
  }
  EXPECT_EQ(before, Control::GetInstanceCount());
}

TEST(MarkupBuilder, DeeplyNestedLayoutsAreCutOff) {
  std::wstring layout = L"<Window>";
  for (int i = 0; i < 20000; ++i) layout += L"<Box>";
  for (int i = 0; i < 20000; ++i) layout += L"</Box>";
  layout += L"</Window>";
  const int before = Control::GetInstanceCount();
  MarkupBuilder builder;
  std::unique_ptr<Control> root(builder.Create(layout));
  ASSERT_NE(nullptr, root);
  int depth = 0;
  for (Box* box = dynamic_cast<Box*>(root.get()); box && box->GetCount() > 0;
       box = dynamic_cast<Box*>(box->GetItemAt(0)))
    ++depth;
  EXPECT_GT(depth, 100);
  EXPECT_LT(depth, 1000);
  root.reset();
  EXPECT_EQ(before, Control::GetInstanceCount());
}

TEST(MarkupBuilder, LayoutCacheParsesAFileOnce) {
  const std::wstring folder = test::MakeTempFolder(L"ctl_layout_cache");
  const std::wstring path = folder + L"cached.xml";
  ASSERT_TRUE(test::WriteFileBytes(path, "<Window><Control name=\"first\"/></Window>"));
  Box parent;
  Control* one = ResourceManager::CreateControlTree(path, nullptr, &parent, nullptr);
  ASSERT_NE(nullptr, one);
  // The file changes on disk, but the cached document builds the tree.
  ASSERT_TRUE(test::WriteFileBytes(path, "<Window><Control name=\"second\"/></Window>"));
  Control* two = ResourceManager::CreateControlTree(path, nullptr, &parent, nullptr);
  ASSERT_NE(nullptr, two);
  EXPECT_NE(one, two);
  EXPECT_EQ(L"first", two->GetName());
  EXPECT_EQ(2u, parent.GetCount());
  ::DeleteFileW(path.c_str());
  EXPECT_EQ(nullptr, ResourceManager::CreateControlTree(folder + L"absent.xml", nullptr, &parent, nullptr));
  ::RemoveDirectoryW(folder.c_str());
}

TEST(MarkupRobustness, MutatedLayoutsNeverCrashOrLeakControls) {
  const std::string seed = test::ReadTestFile(test::TestDataPath(L"skins\\controls\\robust.xml"));
  ASSERT_FALSE(seed.empty());
  const int before = Control::GetInstanceCount();
  test::ByteMutator mutator(0x5EEDC0DE);
  int built = 0;
  int loaded = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string bytes = mutator.Mutate(seed);
    std::wstring text(bytes.size() + 1, L'\0');
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                                             static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    const size_t start = text.find(L'<');
    if (start == std::wstring::npos) continue;
    test::TestHost host;
    MarkupBuilder builder;
    Control* root = builder.Create(text.substr(start), nullptr, &host);
    if (builder.IsLoaded()) ++loaded;
    if (root) {
      ++built;
      host.AttachRoot(root);
      host.Layout(Rect(0, 0, 300, 200));
      root->SendEvent(kEventMouseButtonDown);
      root->SendEvent(kEventSelect);
      host.Layout(Rect(0, 0, 300, 200));
    }
  }
  // Enough of the documents parse and build for the run to mean something.
  EXPECT_GT(loaded, 500);
  EXPECT_GT(built, 500);
  EXPECT_EQ(before, Control::GetInstanceCount());

  // Documents that stay well-formed but carry hostile values.
  static const char* const kValues[] = {"-1", "-2", "-99999", "2147483647", "auto", "stretch", "", "true", "a b c",
                                        "1,2", ",,,,", "row root", "./a", "#", "width=\"", "99999999"};
  std::vector<std::pair<size_t, size_t>> spans;
  for (size_t pos = seed.find("=\""); pos != std::string::npos; pos = seed.find("=\"", pos + 1)) {
    const size_t end = seed.find('"', pos + 2);
    if (end == std::string::npos) break;
    spans.emplace_back(pos + 2, end - pos - 2);
  }
  ASSERT_GT(spans.size(), 20u);
  int hostile_built = 0;
  for (int i = 0; i < 5000; ++i) {
    std::string bytes = seed;
    // Replace from the back so earlier spans keep their offsets.
    std::vector<size_t> picks;
    for (int n = 0; n < 4; ++n) picks.push_back(mutator.Below(spans.size()));
    std::sort(picks.rbegin(), picks.rend());
    picks.erase(std::unique(picks.begin(), picks.end()), picks.end());
    for (size_t pick : picks)
      bytes.replace(spans[pick].first, spans[pick].second, kValues[mutator.Below(sizeof(kValues) / sizeof(kValues[0]))]);
    std::wstring text(bytes.begin(), bytes.end());
    test::TestHost host;
    MarkupBuilder builder;
    Control* root = builder.Create(text.substr(text.find(L'<')), nullptr, &host);
    if (!root) continue;
    ++hostile_built;
    host.AttachRoot(root);
    host.Layout(Rect(0, 0, 300, 200));
    root->SendEvent(kEventMouseButtonDown);
    host.Layout(Rect(0, 0, 300, 200));
  }
  EXPECT_GT(hostile_built, 2500);
  EXPECT_EQ(before, Control::GetInstanceCount());
}

}  // namespace
}  // namespace ui
