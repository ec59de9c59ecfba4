#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_folder.h"
#include "tests/support/test_support.h"
#include "tests/ui/render_support.h"
#include "ui/controls/rich_edit.h"
#include "ui/controls/scroll_bar.h"
#include "ui/core/control.h"
#include "ui/core/resource_manager.h"
#include "ui/core/window_impl_base.h"
#include "ui/core/xml_document.h"

namespace {

// Any of the client's layouts in a plain frame window.
class LayoutWindow : public ui::WindowImplBase {
 public:
  LayoutWindow(std::wstring folder, std::wstring file) : folder_(std::move(folder)), file_(std::move(file)) {}
  std::wstring GetWindowClassName() const override { return L"TarnwellSkinTest"; }
  std::wstring GetSkinFolder() override { return folder_; }
  std::wstring GetSkinFile() override { return file_; }

 private:
  std::wstring folder_;
  std::wstring file_;
};

class ShippedSkin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::ResourceManager::Startup(app_test::ResourcesFolder() + L"\\", ui::ControlFactory(), L"themes\\default",
                                 L"lang\\zh_CN");
  }
  static void TearDownTestSuite() { ui::ResourceManager::Shutdown(); }
};

bool IsBright(uint32_t argb) {
  return ui::test::RedOf(argb) > 180 && ui::test::GreenOf(argb) > 180 && ui::test::Channel(argb, 0) > 180;
}

TEST_F(ShippedSkin, EveryLayoutBuildsWithTheControlsItsWindowLooksForAndItsButtonPictures) {
  struct Layout {
    const wchar_t* folder;
    const wchar_t* file;
    std::vector<std::wstring> names;
    const wchar_t* drawn_button;  // a visible caption button whose glyph is checked
    int width, height;            // of the native window, shadow included
  };
  const Layout layouts[] = {
      {L"cef", L"cef.xml", {L"btn_refresh", L"label_title", L"page_area"}, nullptr, 380, 320},
      {L"cef",
       L"game.xml",
       {L"label_title", L"minbtn", L"maxbtn", L"restorebtn", L"btn_close", L"size_left", L"size_right", L"size_bottom"},
       L"btn_close",
       1280,
       800},
      {L"toast", L"toast.xml", {L"close_btn", L"content"}, nullptr, 320 + 28, 106 + 28},
      {L"shadow", L"shadow.xml", {L"shadow_body"}, nullptr, 0, 0},
  };
  for (const Layout& layout : layouts) {
    std::wstring path = std::wstring(layout.folder) + L"\\" + layout.file;
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    // A layout that does not parse would stop here on a message box.
    ui::XmlDocument document;
    ASSERT_TRUE(document.LoadFromFile(ui::ResourceManager::GetResourcePath() + path));

    auto* window = new LayoutWindow(layout.folder, layout.file);
    HWND hwnd = window->Create(nullptr, L"skin", WS_OVERLAPPEDWINDOW, 0, true, ui::Rect());
    ASSERT_NE(hwnd, nullptr);
    RECT rect = {};
    ::GetWindowRect(hwnd, &rect);
    // The shadow window takes its owner's size; the others have their own.
    if (layout.width) {
      EXPECT_EQ(rect.right - rect.left, layout.width);
      EXPECT_EQ(rect.bottom - rect.top, layout.height);
    }
    for (const std::wstring& name : layout.names)
      EXPECT_NE(window->FindControl(name), nullptr) << std::string(name.begin(), name.end());
    if (ui::Control* content = window->FindControl(L"content")) {
      // The toast's message is a real text field over the platform's engine.
      auto* edit = dynamic_cast<ui::RichEdit*>(content);
      ASSERT_NE(edit, nullptr);
      EXPECT_TRUE(edit->HasEngine());
      EXPECT_TRUE(edit->IsMultiLine());
      EXPECT_TRUE(edit->IsReadOnly());
      edit->SetText(L"A message from the page");
      EXPECT_EQ(edit->GetText(), L"A message from the page");
      // Its text shows, opaque, inside the layered window.
      window->ShowWindow(true, false);
      ASSERT_TRUE(test_support::PumpUntil([&] { return !edit->GetPos().IsEmpty(); }, 10000));
      test_support::PumpUntil([] { return false; }, 300);
      window->PaintNow();
      const ui::Rect text_area = edit->GetPos();
      int bright = 0;
      for (int y = text_area.top; y < text_area.bottom; ++y) {
        for (int x = text_area.left; x < text_area.right; ++x) {
          const uint32_t pixel = ui::test::PixelAt(*window->GetRenderContext(), x, y);
          bright += IsBright(pixel) && ui::test::AlphaOf(pixel) == 255;
        }
      }
      EXPECT_GT(bright, 30) << "light text on the toast's dark panel";
      ui::test::SaveScreenshot(*window->GetRenderContext(), L"skin_toast.xml.png");

      // A text taller than the field scrolls, and under the mouse the
      // skin's slim bar shows where: a thumb without arrow buttons, drawn
      // in the skin's gold.
      std::wstring lines;
      for (int i = 0; i < 30; ++i) lines += L"\u7B2C " + std::to_wstring(i) + L" \u884C\r\n";
      edit->SetText(lines);
      ui::ScrollBar* bar = edit->GetVerticalScrollBar();
      ASSERT_NE(bar, nullptr);
      const ui::Rect field = edit->GetPos();
      ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM((field.left + field.right) / 2, (field.top + field.bottom) / 2));
      ASSERT_TRUE(test_support::PumpUntil([&] { return bar->IsVisible(); }, 2000));
      test_support::PumpUntil([] { return false; }, 300);
      window->PaintNow();
      EXPECT_GT(bar->GetScrollRange(), 0);
      EXPECT_EQ(bar->GetFixedWidth(), 6);
      const ui::Rect thumb = bar->GetThumbRect();
      ASSERT_FALSE(thumb.IsEmpty());
      EXPECT_EQ(thumb.top, bar->GetPos().top) << "no arrow button above the thumb";
      const uint32_t middle =
          ui::test::PixelAt(*window->GetRenderContext(), (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
      EXPECT_GT(ui::test::RedOf(middle), ui::test::BlueOf(middle)) << "a gold thumb over the dark panel";
      ui::test::SaveScreenshot(*window->GetRenderContext(), L"skin_toast_scrolled.png");
    }

    if (layout.drawn_button) {
      ui::Control* button = window->FindControl(layout.drawn_button);
      ASSERT_NE(button, nullptr);
      window->ShowWindow(true, false);
      ASSERT_TRUE(test_support::PumpUntil([&] { return !button->GetPos().IsEmpty(); }, 10000));
      test_support::PumpUntil([] { return false; }, 200);
      // The cross is drawn from the shared public folder, one level up.
      ui::Rect pos = button->GetPos();
      EXPECT_TRUE(IsBright(
          ui::test::PixelAt(*window->GetRenderContext(), (pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2)));
      std::wstring shot = std::wstring(L"skin_") + layout.file + L".png";
      ui::test::SaveScreenshot(*window->GetRenderContext(), shot.c_str());
    }
    ::DestroyWindow(hwnd);
  }
}

}  // namespace
