// Lists, trees, the virtual list and tiles in real windows, driven by real
// messages.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/ui/manual_timers.h"
#include "tests/ui/mutated_layouts.h"
#include "tests/ui/render_support.h"
#include "tests/ui/test_skin.h"
#include "tests/ui/test_window.h"
#include "ui/controls/label.h"
#include "ui/controls/list_box.h"
#include "ui/controls/list_container_element.h"
#include "ui/controls/tile_box.h"
#include "ui/controls/tree_view.h"
#include "ui/controls/virtual_list_box.h"
#include "ui/core/resource_manager.h"
#include "ui/core/tile_layout.h"

namespace ui {
namespace {

using test::TestWindow;

// Kinds and first parameters of the events that reached watched controls,
// in order.
struct EventLog {
  void Watch(Control* control, std::initializer_list<int> kinds) {
    for (int kind : kinds) {
      control->AttachEvent(kind, [this, control](EventArgs* args) {
        entries.push_back({control->GetName() + L":" + std::to_wstring(args->kind), args->wparam, args->lparam});
        return true;
      });
    }
  }
  struct Entry {
    std::wstring what;
    WPARAM first;
    LPARAM second;
  };
  std::vector<Entry> entries;
};

class ListWindow : public ::testing::Test {
 public:
  void SetUp() override {
    skin_ = std::make_unique<test::ScopedTestSkin>();
    ResourceManager::AddTextColor(L"list_white", 0xFFFFFFFF);
    ResourceManager::AddTextColor(L"list_ink", 0xFF283040);
    ResourceManager::AddTextColor(L"list_hot", 0xFFE8ECF6);
    ResourceManager::AddTextColor(L"list_selected", 0xFF3060C0);
    ResourceManager::AddTextColor(L"list_selected_ink", 0xFFFFFFFF);
    ResourceManager::AddTextColor(L"list_border", 0xFFB0B8C8);
    ResourceManager::AddTextColor(L"list_cell", 0xFF70A0D0);
  }
  void TearDown() override {
    TestWindow::Destroy(window_);
    skin_.reset();
  }

  static std::wstring Element(int i, const std::wstring& extra = std::wstring()) {
    return L"<ListContainerElement name=\"item" + std::to_wstring(i) + L"\" height=\"30\" text=\"Item " +
           std::to_wstring(i) +
           L"\" normaltextcolor=\"list_ink\" selectedtextcolor=\"list_selected_ink\" "
           L"hotcolor=\"list_hot\" selectednormalcolor=\"list_selected\" selectedhotcolor=\"list_selected\" "
           L"textpadding=\"8,0,8,0\" " +
           extra + L"/>";
  }
  void Open(const std::wstring& body, int width = 240, int height = 220) {
    window_ =
        TestWindow::Open(L"<Window size=\"" + std::to_wstring(width) + L"," + std::to_wstring(height) +
                         L"\" shadowattached=\"false\"><VBox bkcolor=\"list_white\">" + body + L"</VBox></Window>");
    ASSERT_NE(nullptr, window_);
  }
  // A 200 x 100 list of |count| elements at the window's top left.
  ListBox* OpenList(int count, const std::wstring& attributes = std::wstring(),
                    const std::wstring& element_extra = std::wstring()) {
    std::wstring body =
        L"<VListBox name=\"list\" width=\"200\" height=\"100\" vscrollbar=\"true\" " + attributes + L">";
    for (int i = 0; i < count; ++i) body += Element(i, i == 2 ? element_extra : std::wstring());
    body += L"</VListBox>";
    Open(body);
    return dynamic_cast<ListBox*>(window_->FindControl(L"list"));
  }
  Control* Find(const std::wstring& name) { return window_->FindControl(name); }
  ListContainerElement* Item(int i) { return dynamic_cast<ListContainerElement*>(Find(L"item" + std::to_wstring(i))); }

  std::unique_ptr<test::ScopedTestSkin> skin_;
  TestWindow* window_ = nullptr;
};

TEST_F(ListWindow, SelectingAnotherItemUnselectsSelectsAndNotifiesInThatOrder) {
  ListBox* list = OpenList(5);
  ASSERT_NE(nullptr, list);
  EventLog log;
  for (int i = 0; i < 5; ++i) log.Watch(Item(i), {kEventSelect, kEventUnSelect});
  log.Watch(list, {kEventSelect});
  EXPECT_TRUE(list->SelectItem(1));
  log.entries.clear();
  EXPECT_TRUE(list->SelectItem(3));
  ASSERT_EQ(3u, log.entries.size());
  EXPECT_EQ(L"item1:43", log.entries[0].what);
  EXPECT_EQ(L"item3:42", log.entries[1].what);
  EXPECT_EQ(L"list:42", log.entries[2].what);
  EXPECT_EQ(3u, log.entries[2].first);
  EXPECT_EQ(1, log.entries[2].second);
  EXPECT_TRUE(Item(3)->IsSelected());
  EXPECT_FALSE(Item(1)->IsSelected());

  // Out of range, or an item that cannot be chosen, clears the selection.
  EXPECT_FALSE(list->SelectItem(99));
  EXPECT_EQ(-1, list->GetCurSel());
  EXPECT_FALSE(Item(3)->IsSelected());
  Item(2)->SetEnabled(false);
  EXPECT_FALSE(list->SelectItem(2));
  EXPECT_FALSE(list->SelectItem(-5));
  EXPECT_EQ(-1, list->GetCurSel());

  // A click selects; an item's own selected state goes through the list.
  list->HomeUp();
  window_->Click(TestWindow::Center(Item(0)));
  EXPECT_EQ(0, list->GetCurSel());
  Item(4)->SetSelected(true);
  EXPECT_EQ(4, list->GetCurSel());
  EXPECT_FALSE(Item(0)->IsSelected()) << "still one selection";
  Item(4)->SetVisible(false);
  EXPECT_EQ(-1, list->GetCurSel()) << "a hidden item gives up the selection";
}

TEST_F(ListWindow, ItemsAnswerDoubleClickReturnAndTheContextMenu) {
  ListBox* list = OpenList(3);
  ASSERT_NE(nullptr, list);
  EventLog log;
  log.Watch(Item(1), {kEventMouseDoubleClick, kEventReturn, kEventMouseMenu, kEventSelect});
  const Point point = TestWindow::Center(Item(1));
  window_->Click(point);
  window_->Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
  window_->ButtonUp(point);
  window_->KeyDown(VK_RETURN);
  list->SelectItem(0);
  window_->Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(point.x, point.y));
  window_->Send(WM_RBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  window_->Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window_->GetHWND()), MAKELPARAM(point.x, point.y));
  std::vector<std::wstring> kinds;
  for (const auto& entry : log.entries) kinds.push_back(entry.what);
  const std::vector<std::wstring> expected = {L"item1:42", L"item1:22", L"item1:45", L"item1:42", L"item1:23"};
  EXPECT_EQ(expected, kinds) << "select by click, double click, return, then the menu selects and notifies";
  EXPECT_EQ(1, list->GetCurSel());
}

TEST_F(ListWindow, KeysAndTheWheelMoveTheSelectionOverSelectableItems) {
  ListBox* list = OpenList(6, L"scrollselect=\"true\"", L"enabled=\"false\"");
  ASSERT_NE(nullptr, list);
  window_->Click(TestWindow::Center(Item(1)));
  ASSERT_EQ(1, list->GetCurSel());
  window_->KeyDown(VK_DOWN);
  EXPECT_EQ(3, list->GetCurSel()) << "item 2 is disabled";
  window_->KeyDown(VK_UP);
  EXPECT_EQ(1, list->GetCurSel());
  window_->KeyDown(VK_END);
  EXPECT_EQ(5, list->GetCurSel());
  window_->KeyDown(VK_DOWN);
  EXPECT_EQ(5, list->GetCurSel()) << "the last item stays selected";
  window_->KeyDown(VK_HOME);
  EXPECT_EQ(0, list->GetCurSel());

  // Away from the user is down, skipping the disabled item.
  list->SelectItem(1);
  window_->Wheel(TestWindow::Center(list), -120);
  EXPECT_EQ(3, list->GetCurSel());
  window_->Wheel(TestWindow::Center(list), 120);
  EXPECT_EQ(1, list->GetCurSel());
  window_->Wheel(TestWindow::Center(list), 120);
  window_->Wheel(TestWindow::Center(list), 120);
  EXPECT_EQ(0, list->GetCurSel());
}

TEST_F(ListWindow, SelectionScrollsItsItemIntoView) {
  ListBox* list = OpenList(10);
  ASSERT_NE(nullptr, list);
  // 100 pixels show items 0 to 2; item 7 spans 210 to 240.
  EXPECT_TRUE(list->SelectItem(7));
  EXPECT_EQ(140, list->GetScrollPos().cy) << "its bottom at the inner bottom";
  EXPECT_TRUE(list->SelectItem(2));
  EXPECT_EQ(60, list->GetScrollPos().cy) << "its top at the inner top";
  EXPECT_TRUE(list->SelectItem(3));
  EXPECT_EQ(60, list->GetScrollPos().cy) << "already in view";
  EXPECT_TRUE(list->ScrollItemToTop(L"item5"));
  EXPECT_EQ(150, list->GetScrollPos().cy);
  EXPECT_EQ(Item(5), list->GetTopItem());
  EXPECT_FALSE(list->ScrollItemToTop(L"no_such_item"));
}

TEST_F(ListWindow, RemovingAndMovingItemsKeepsIndicesAndTheSelection) {
  ListBox* list = OpenList(5);
  ASSERT_NE(nullptr, list);
  ListContainerElement* third = Item(3);
  list->SelectItem(3);
  list->RemoveAt(1);
  EXPECT_EQ(2, list->GetCurSel());
  EXPECT_EQ(2, third->GetIndex());
  for (size_t i = 0; i < list->GetCount(); ++i)
    EXPECT_EQ(static_cast<int>(i), dynamic_cast<ListContainerElement*>(list->GetItemAt(i))->GetIndex());
  EXPECT_TRUE(list->SetItemIndex(third, 0));
  EXPECT_EQ(0, list->GetCurSel());
  EXPECT_EQ(0, third->GetIndex());
  EXPECT_TRUE(third->IsSelected());
  EXPECT_FALSE(list->SetItemIndex(third, 50));
  list->Remove(third);
  EXPECT_EQ(-1, list->GetCurSel());
  list->RemoveAll();
  EXPECT_EQ(0u, list->GetCount());
  EXPECT_FALSE(list->SelectItem(0));
  // An item built selected brings its selection along.
  auto* arriving = new ListContainerElement();
  arriving->SetSelected(true, false);
  list->Add(new ListContainerElement());
  list->Add(arriving);
  EXPECT_EQ(1, list->GetCurSel());
}

TEST_F(ListWindow, CollapsingANodeHidesAllItsDescendants) {
  const std::wstring look =
      L" height=\"24\" normaltextcolor=\"list_ink\" selectedtextcolor=\"list_selected_ink\" "
      L"selectednormalcolor=\"list_selected\" hotcolor=\"list_hot\" textpadding=\"6,0,0,0\"";
  Open(
      L"<TreeView name=\"tree\" indent=\"16\" width=\"220\" height=\"200\" bordersize=\"1\" "
      L"bordercolor=\"list_border\">"
      L"<TreeNode name=\"fruit\" text=\"- Fruit\"" +
          look +
          L">"
          L"  <TreeNode name=\"apple\" text=\"+ Apple\"" +
          look +
          L">"
          L"    <TreeNode name=\"seed\" text=\"Seed\"" +
          look +
          L"/>"
          L"  </TreeNode>"
          L"  <TreeNode name=\"pear\" text=\"Pear\"" +
          look +
          L"/>"
          L"</TreeNode>"
          L"<TreeNode name=\"nuts\" text=\"- Nuts\" expand=\"false\"" +
          look +
          L">"
          L"  <TreeNode name=\"walnut\" text=\"Walnut\"" +
          look +
          L"/>"
          L"</TreeNode>"
          L"<Label name=\"stray\" text=\"not a node\"/>"
          L"</TreeView>",
      240, 240);
  auto* tree = dynamic_cast<TreeView*>(Find(L"tree"));
  ASSERT_NE(nullptr, tree);
  EXPECT_EQ(nullptr, Find(L"stray")) << "a view takes nodes only";
  ASSERT_EQ(6u, tree->GetCount());
  const wchar_t* order[] = {L"fruit", L"apple", L"seed", L"pear", L"nuts", L"walnut"};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(order[i], tree->GetItemAt(i)->GetName());
  auto* fruit = dynamic_cast<TreeNode*>(Find(L"fruit"));
  auto* apple = dynamic_cast<TreeNode*>(Find(L"apple"));
  EXPECT_EQ(2, dynamic_cast<TreeNode*>(Find(L"seed"))->GetDepth());
  EXPECT_EQ(tree->GetPos().left + 32, Find(L"seed")->GetPos().left) << "16 pixels per level";
  EXPECT_FALSE(Find(L"walnut")->IsVisible()) << "under a collapsed node";
  EXPECT_EQ(96, Find(L"nuts")->GetPos().top - tree->GetPos().top);

  tree->SelectItem(2);
  fruit->SetExpand(false);
  window_->PaintNow();
  for (const wchar_t* name : {L"apple", L"seed", L"pear"}) EXPECT_FALSE(Find(name)->IsVisible()) << name;
  EXPECT_EQ(-1, tree->GetCurSel()) << "the selection folded away";
  EXPECT_EQ(24, Find(L"nuts")->GetPos().top - tree->GetPos().top) << "the rows below move up";
  EXPECT_EQ(fruit, window_->FindControlAt(Point(50, 12)));
  EXPECT_EQ(Find(L"nuts"), window_->FindControlAt(Point(50, 36)));
  fruit->SetExpand(true);
  dynamic_cast<TreeNode*>(Find(L"nuts"))->SetExpand(true);
  tree->SelectItem(4);
  window_->PaintNow();
  EXPECT_TRUE(Find(L"seed")->IsVisible());
  apple->SetExpand(false);
  window_->PaintNow();
  std::unique_ptr<IRenderContext> shot = window_->GetRenderContext()->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*shot, L"tree_view.png").empty());

  // Nodes come and go with their subtrees; the view's own list is theirs.
  auto* plum = new TreeNode();
  plum->SetName(L"plum");
  plum->SetFixedHeight(24);
  EXPECT_TRUE(fruit->AddChildNodeAt(plum, 1));
  EXPECT_EQ(3, tree->GetItemIndex(plum)) << "after apple's subtree";
  EXPECT_FALSE(fruit->AddChildNode(plum)) << "placed once";
  EXPECT_FALSE(plum->AddChildNode(fruit)) << "never under itself";
  EXPECT_FALSE(tree->Remove(plum));
  EXPECT_TRUE(fruit->RemoveChildNode(apple));
  EXPECT_TRUE(test_support::PumpUntil([this] { return Find(L"seed") == nullptr; }, 2000)) << "destroyed with apple";
  EXPECT_EQ(5u, tree->GetCount());
  fruit->SetEnabled(false);
  EXPECT_FALSE(Find(L"pear")->IsEnabled()) << "children follow their parent";
  tree->RemoveAll();
  EXPECT_EQ(5u, tree->GetCount()) << "only the nodes remove nodes";
  tree->GetRootNode()->RemoveAllChildNodes();
  EXPECT_EQ(0u, tree->GetCount());
}

// Rows of a virtual list: one label per element, and a count that tests
// may change or make fail.
class RowProvider : public VirtualListDataProvider {
 public:
  explicit RowProvider(int count) : count_(count) {}
  Control* CreateElement() override {
    ++created_;
    auto* element = new ListContainerElement();
    element->SetStateTextColor(kControlStateNormal, L"list_ink");
    element->SetAttribute(L"selectednormalcolor", L"list_selected");
    element->SetTextPadding(Rect(8, 0, 0, 0), false);
    return element;
  }
  void FillElement(Control* control, int index) override {
    if (throw_on_fill_) throw std::runtime_error("no data");
    static_cast<ListContainerElement*>(control)->SetText(L"Element " + std::to_wstring(index));
    ++filled_;
  }
  int GetElementCount() override {
    if (throw_on_count_) throw std::runtime_error("no count");
    return count_;
  }

  int count_;
  int created_ = 0;
  int filled_ = 0;
  bool throw_on_count_ = false;
  bool throw_on_fill_ = false;
};

// A 200 x 270 virtual list of 30-pixel rows from |rows| with ten controls.
VirtualListBox* OpenVirtualList(ListWindow* test, RowProvider* rows) {
  test->Open(L"<VirtualListBox name=\"list\" width=\"200\" height=\"270\" vscrollbar=\"true\"/>", 240, 300);
  auto* list = dynamic_cast<VirtualListBox*>(test->Find(L"list"));
  if (!list) return nullptr;
  list->SetDataProvider(rows);
  list->SetElementHeight(30);
  list->InitElement(10);
  test->window_->PaintNow();
  return list;
}

TEST_F(ListWindow, VirtualListShowsTheDataUnderTheViewWithTenControls) {
  RowProvider rows(1000);
  VirtualListBox* list = OpenVirtualList(this, &rows);
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(10u, list->GetCount());
  EXPECT_EQ(10, rows.created_);
  EXPECT_EQ(30000 - 270, list->GetScrollRange().cy);

  list->SetScrollPos(Size(0, 3000));
  window_->PaintNow();
  for (int j = 0; j < 10; ++j) {
    auto* element = dynamic_cast<ListContainerElement*>(list->GetItemAt(static_cast<size_t>(j)));
    EXPECT_EQ(100 + j, list->GetDataIndexOf(j));
    EXPECT_EQ(L"Element " + std::to_wstring(100 + j), element->GetText());
    EXPECT_EQ(list->GetPos().top + (100 + j) * 30, element->GetPos().top);
  }
  // What the window shows and hits at the top of the view is element 100.
  EXPECT_EQ(list->GetItemAt(0), window_->FindControlAt(Point(50, 10)));
  EXPECT_EQ(list->GetItemAt(3), window_->FindControlAt(Point(50, 100)));

  // The selection follows its data, not the control that showed it.
  window_->Click(Point(50, 100));
  EXPECT_EQ(103, list->GetSelectedDataIndex());
  list->SetScrollPos(Size(0, 6000));
  window_->PaintNow();
  EXPECT_EQ(-1, list->GetCurSel());
  for (size_t j = 0; j < list->GetCount(); ++j)
    EXPECT_FALSE(dynamic_cast<ListContainerElement*>(list->GetItemAt(j))->IsSelected());
  list->SetScrollPos(Size(0, 3000));
  EXPECT_EQ(3, list->GetCurSel());
  window_->PaintNow();
  std::unique_ptr<IRenderContext> shot = window_->GetRenderContext()->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*shot, L"virtual_list_middle.png").empty());

  // Small steps within the rows held refill nothing; the end shows the end.
  const int filled = rows.filled_;
  list->SetScrollPos(Size(0, 3010));
  EXPECT_EQ(filled, rows.filled_);
  window_->Click(TestWindow::Center(list->GetItemAt(0)));
  window_->KeyDown(VK_END);
  window_->PaintNow();
  EXPECT_EQ(999, list->GetDataIndexOf(9));
  EXPECT_EQ(10u, list->GetCount()) << "never more controls than asked for";
}

TEST_F(ListWindow, VirtualListSurvivesAProviderThatChangesOrThrows) {
  RowProvider rows(500);
  VirtualListBox* list = OpenVirtualList(this, &rows);
  ASSERT_NE(nullptr, list);
  list->SelectItem(4);
  for (int step = 0; step < 40; ++step) {
    rows.count_ = (step * 37) % 600;  // grows, shrinks, reaches 0
    list->SetScrollPos(Size(0, step * 400));
    window_->PaintNow();
    EXPECT_LE(list->GetScrollPos().cy, list->GetScrollRange().cy);
    EXPECT_LT(list->GetCurSel(), static_cast<int>(list->GetCount()));
  }
  rows.count_ = 3;
  list->Refresh();
  window_->PaintNow();
  EXPECT_EQ(3u, list->GetCount()) << "surplus controls go";
  rows.count_ = 800;
  list->Refresh();
  window_->PaintNow();
  EXPECT_EQ(10u, list->GetCount());
  rows.throw_on_count_ = true;
  list->Refresh();
  list->SetScrollPos(Size(0, 900));
  window_->PaintNow();
  EXPECT_EQ(0, list->GetDataCount());
  rows.throw_on_count_ = false;
  rows.throw_on_fill_ = true;
  list->Refresh();
  list->SetScrollPos(Size(0, 1800));
  window_->PaintNow();
  list->RemoveAll();
  EXPECT_EQ(-1, list->GetSelectedDataIndex());
  list->SetDataProvider(nullptr);
  list->InitElement(5);
  EXPECT_EQ(0u, list->GetCount());
}

TEST_F(ListWindow, TileBoxSplitsItsWidthIntoEqualColumns) {
  std::wstring body = L"<TileBox name=\"tiles\" width=\"100\" height=\"120\" itemsize=\"30,30\">";
  for (int i = 0; i < 7; ++i)
    body += L"<Control name=\"cell" + std::to_wstring(i) +
            L"\" bkcolor=\"list_cell\" bordersize=\"1\" "
            L"bordercolor=\"list_white\"/>";
  body += L"</TileBox>";
  Open(body, 240, 160);
  auto* tiles = dynamic_cast<TileBox*>(Find(L"tiles"));
  ASSERT_NE(nullptr, tiles);
  const int widths[] = {34, 33, 33};
  const int lefts[] = {0, 34, 67};
  for (int i = 0; i < 7; ++i) {
    const Rect rect = Find(L"cell" + std::to_wstring(i))->GetPos();
    EXPECT_EQ(widths[i % 3], rect.Width()) << i;
    EXPECT_EQ(lefts[i % 3], rect.left) << i;
    EXPECT_EQ(30 * (i / 3), rect.top) << i;
    EXPECT_EQ(30, rect.Height()) << i;
  }
  // Fixed items are centred in their cells; columns follow the width.
  auto* layout = dynamic_cast<TileLayout*>(tiles->GetLayout());
  ASSERT_NE(nullptr, layout);
  Find(L"cell0")->SetFixedWidth(20, true, false);
  Find(L"cell0")->SetFixedHeight(10, true, false);
  tiles->SetFixedWidth(200, true, false);
  window_->PaintNow();
  EXPECT_EQ(Rect(7, 10, 27, 20), Find(L"cell0")->GetPos()) << "200 / 30 = 6 columns of 34, 34, 33...";
  EXPECT_EQ(0, Find(L"cell6")->GetPos().left) << "the seventh starts the second row";
  layout->SetItemSize(Size(0, 30), false);
  layout->SetColumns(4);
  layout->SetColumns(-3);
  EXPECT_EQ(4, layout->GetColumns());
  window_->PaintNow();
  EXPECT_EQ(50, Find(L"cell1")->GetPos().left);
  std::unique_ptr<IRenderContext> shot = window_->GetRenderContext()->Clone();
  EXPECT_FALSE(test::SaveScreenshot(*shot, L"tile_box.png").empty());
}

TEST_F(ListWindow, HostileListLayoutsNeverCrash) {
  const std::string base =
      "<Window><VBox><VListBox scrollselect=\"true\" vscrollbar=\"true\"><ListContainerElement selected=\"true\"/>"
      "<ListContainerElement height=\"20\"/></VListBox><TreeView indent=\"-99999\"><TreeNode expand=\"false\">"
      "<TreeNode/></TreeNode></TreeView><TileBox itemsize=\"-5,99999999\" columns=\"-1\"><Control/></TileBox>"
      "<TileListBox columns=\"0\"/><HListBox/><VirtualListBox/><ListBox/></VBox></Window>";
  const int before = Control::GetInstanceCount();
  EXPECT_GT(test::BuildMutatedLayouts(base, 4242, 600), 8);
  EXPECT_EQ(before, Control::GetInstanceCount());
}

}  // namespace
}  // namespace ui
