// Cost of a 2,000-control layout: parsing the XML, building the tree,
// arranging it at 1280 x 800, and arranging again after one leaf changes
// width. The parse is the baseline the other figures are compared with.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/ui/control_test_host.h"
#include "ui/core/control.h"
#include "ui/core/markup_builder.h"
#include "ui/core/xml_document.h"
#include "bench/bench_support.h"

namespace {

constexpr int kRows = 20;
constexpr int kCellsPerRow = 9;
constexpr int kLeavesPerCell = 10;
constexpr int kRuns = 15;

// Rows of cells of leaves, with every sizing mode and some auto-sized
// boxes so estimates have work to do.
std::wstring MakeLayout(int* control_count) {
  std::wstring xml = L"<Window size=\"1280,800\"><VBox name=\"root\" padding=\"4,4,4,4\" childmargin=\"2\">";
  int count = 1;
  for (int row = 0; row < kRows; ++row) {
    xml += L"<HBox height=\"auto\" childmargin=\"3\" bkcolor=\"white\">";
    ++count;
    for (int cell = 0; cell < kCellsPerRow; ++cell) {
      xml += cell % 3 == 0 ? L"<VBox width=\"auto\" height=\"auto\" padding=\"2,2,2,2\">"
                           : L"<VBox height=\"auto\" padding=\"2,2,2,2\" childmargin=\"1\">";
      ++count;
      for (int leaf = 0; leaf < kLeavesPerCell; ++leaf) {
        const int kind = (row + cell + leaf) % 4;
        if (kind == 0) {
          xml += L"<Control name=\"leaf_" + std::to_wstring(count) + L"\" width=\"" +
                 std::to_wstring(20 + leaf) + L"\" height=\"3\" margin=\"1,0,1,0\"/>";
        } else if (kind == 1) {
          xml += L"<Control height=\"2\" maxwidth=\"120\" bkcolor=\"black\"/>";
        } else if (kind == 2) {
          xml += L"<Control width=\"30\" height=\"2\" halign=\"center\" bordersize=\"1\" bordercolor=\"black\"/>";
        } else {
          xml += L"<Control height=\"3\" minwidth=\"10\" float=\"" + std::wstring(leaf == 3 ? L"true" : L"false") +
                 L"\"/>";
        }
        ++count;
      }
      xml += L"</VBox>";
    }
    xml += L"</HBox>";
  }
  // One more stretch row takes the rest of the height.
  xml += L"<Control name=\"filler\"/>";
  ++count;
  const int padding_leaves = 2000 - count;
  for (int i = 0; i < padding_leaves; ++i) xml += L"<Control height=\"1\" float=\"true\"/>";
  count += padding_leaves > 0 ? padding_leaves : 0;
  xml += L"</VBox></Window>";
  *control_count = count;
  return xml;
}

}  // namespace

int main() {
  int control_count = 0;
  const std::wstring layout = MakeLayout(&control_count);

  std::vector<double> parse_ms, build_ms, arrange_ms, rearrange_ms;
  for (int run = 0; run < kRuns; ++run) {
    ui::MarkupBuilder builder;
    double start = bench::NowMilliseconds();
    ui::XmlDocument document;
    document.set_preserve_whitespace(true);
    if (!document.LoadFromText(layout.c_str())) {
      std::printf("layout did not parse\n");
      return 1;
    }
    parse_ms.push_back(bench::NowMilliseconds() - start);

    // The builder parses its own copy untimed, then builds from it timed.
    delete builder.Create(layout);
    ui::test::TestHost host;
    start = bench::NowMilliseconds();
    ui::Control* root = builder.CreateFromDocument(nullptr, &host);
    build_ms.push_back(bench::NowMilliseconds() - start);
    if (!root) {
      std::printf("layout did not build\n");
      return 1;
    }
    host.AttachRoot(root);

    start = bench::NowMilliseconds();
    host.Layout(ui::Rect(0, 0, 1280, 800));
    arrange_ms.push_back(bench::NowMilliseconds() - start);

    ui::Control* leaf = host.FindControl(L"leaf_" + std::to_wstring(12));
    if (!leaf) leaf = host.FindControl(L"filler");
    start = bench::NowMilliseconds();
    leaf->SetFixedWidth(leaf->GetFixedWidth() + 7);
    host.Layout(ui::Rect(0, 0, 1280, 800));
    rearrange_ms.push_back(bench::NowMilliseconds() - start);
  }

  const double parse = bench::Median(parse_ms);
  const double build = bench::Median(build_ms);
  const double arrange = bench::Median(arrange_ms);
  const double rearrange = bench::Median(rearrange_ms);
  std::printf("controls: %d count\n", control_count);
  std::printf("layout_bytes: %zu bytes\n", layout.size() * sizeof(wchar_t));
  std::printf("parse_time: %.3f ms\n", parse);
  std::printf("build_time: %.3f ms\n", build);
  std::printf("arrange_time: %.3f ms\n", arrange);
  std::printf("rearrange_one_leaf_time: %.3f ms\n", rearrange);
  std::printf("build_to_parse_ratio: %.2f x\n", build / parse);
  std::printf("arrange_to_parse_ratio: %.2f x\n", arrange / parse);
  std::printf("rearrange_to_parse_ratio: %.3f x\n", rearrange / parse);
  return 0;
}
