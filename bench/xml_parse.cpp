// Skin parsing throughput: our in-place parser against RapidXML parsing the
// same generated document in place, with the same compiler and flags.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "rapidxml.hpp"
#include "ui/core/xml_document.h"
#include "ui/core/xml_node.h"

namespace {

// About `target` bytes of layouts shaped like the client's skins: nested
// boxes, many short attributes, entities, CJK text, comments.
std::string MakeSkinDocument(size_t target) {
  std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Window size=\"800,600\" caption=\"0,0,0,36\" "
                    "sizebox=\"4,4,4,4\" shadowattached=\"true\">\n";
  for (int i = 0; doc.size() < target; ++i) {
    const std::string n = std::to_string(i);
    doc += "  <!-- block " + n + " -->\n";
    doc += "  <VBox name=\"box_" + n + "\" bkcolor=\"bk_wnd_darkcolor\" padding=\"4,4,4,4\" width=\"stretch\">\n";
    doc += "    <HBox height=\"36\" childmargin=\"8\" padding=\"8,0,4,0\">\n";
    doc += "      <Label name=\"label_" + n +
           "\" text=\"Tarnwell &amp; friends \xE7\xAC\xAC" + n +
           "\" font=\"system_14\" normaltextcolor=\"black\" align=\"vcenter\"/>\n";
    doc += "      <Control width=\"stretch\"/>\n";
    doc += "      <Button class=\"caption_btn\" name=\"btn_" + n +
           "\" normalimage=\"file='btn.png' corner='4,4,4,4'\" tooltiptext=\"&lt;close&gt;\"/>\n";
    doc += "    </HBox>\n";
    doc += "    <RichEdit name=\"edit_" + n + "\" multiline=\"true\" margin=\"12,8,12,12\">body text " + n +
           "</RichEdit>\n";
    doc += "  </VBox>\n";
  }
  doc += "</Window>\n";
  return doc;
}

class Stopwatch {
 public:
  Stopwatch() {
    ::QueryPerformanceFrequency(&frequency_);
    ::QueryPerformanceCounter(&start_);
  }
  double Seconds() const {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_;
  LARGE_INTEGER start_;
};

// The machine is shared, so the fastest run is the steadiest figure.
double Best(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

int CountOurs(const ui::XmlNode& root) {
  int count = 0;
  std::vector<ui::XmlNode> pending{root};
  while (!pending.empty()) {
    ui::XmlNode node = pending.back();
    pending.pop_back();
    for (; node.IsValid(); node = node.GetNextSibling()) {
      ++count;
      if (node.GetFirstChild().IsValid()) pending.push_back(node.GetFirstChild());
    }
  }
  return count;
}

int CountTheirs(const rapidxml::xml_node<char>* node) {
  int count = 0;
  for (const rapidxml::xml_node<char>* child = node->first_node(); child; child = child->next_sibling()) {
    if (child->type() == rapidxml::node_element) count += 1 + CountTheirs(child);
  }
  return count;
}

// Pool blocks for the warm RapidXML runs: one arena touched in advance and
// rewound before each parse, so its node allocations cost what they cost
// natively instead of fresh pages from the heap.
class Arena {
 public:
  static void* Allocate(std::size_t size) {
    size = (size + 15) & ~static_cast<std::size_t>(15);
    if (used_ + size > storage_.size()) return ::operator new(size);
    void* block = storage_.data() + used_;
    used_ += size;
    return block;
  }
  static void Free(void* block) {
    char* p = static_cast<char*>(block);
    if (p < storage_.data() || p >= storage_.data() + storage_.size()) ::operator delete(block);
  }
  static void Prepare(std::size_t size) { storage_.assign(size, 1); }
  static void Rewind() { used_ = 0; }

 private:
  static std::vector<char> storage_;
  static std::size_t used_;
};

std::vector<char> Arena::storage_;
std::size_t Arena::used_ = 0;

}  // namespace

int main() {
  const int kRuns = 31;
  const std::string utf8 = MakeSkinDocument(1000000);
  const double megabytes = static_cast<double>(utf8.size()) / 1e6;

  // The same text in UTF-16, as our parser works on it.
  const int wide_length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(wide_length) + 1);
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wide_length);

  std::vector<double> ours_parse, theirs_parse, ours_warm, theirs_warm, ours_load, theirs_load;
  // Warm runs reuse one document each, so the allocator hands back memory
  // that is already mapped: this isolates the parsing loops.
  ui::XmlDocument ours_reused;
  ours_reused.set_preserve_whitespace(true);
  auto theirs_reused = std::make_unique<rapidxml::xml_document<char>>();
  theirs_reused->set_allocator(&Arena::Allocate, &Arena::Free);
  Arena::Prepare(64u << 20);
  std::vector<char> theirs_text;
  int ours_elements = 0;
  int theirs_elements = 0;
  for (int run = 0; run < kRuns; ++run) {
    // Parse only, cold: a fresh document and a fresh copy of the text each
    // time, as the client parses each layout once; only the parse is timed.
    {
      auto doc = std::make_unique<ui::XmlDocument>();
      doc->set_preserve_whitespace(true);
      std::unique_ptr<wchar_t[]> text(new wchar_t[wide.size()]);
      std::memcpy(text.get(), wide.data(), wide.size() * sizeof(wchar_t));
      Stopwatch watch;
      const bool ok = doc->LoadFromBuffer(std::move(text), static_cast<size_t>(wide_length));
      ours_parse.push_back(watch.Seconds());
      if (!ok) {
        std::printf("our parse failed: %ls\n", doc->GetLastErrorMessage());
        return 1;
      }
      ours_elements = CountOurs(doc->GetRoot());
    }
    {
      auto doc = std::make_unique<rapidxml::xml_document<char>>();
      std::vector<char> text(utf8.begin(), utf8.end());
      text.push_back(0);
      Stopwatch watch;
      doc->parse<0>(text.data());
      theirs_parse.push_back(watch.Seconds());
      theirs_elements = CountTheirs(doc.get());
    }
    {
      ours_reused.Release();
      std::unique_ptr<wchar_t[]> text(new wchar_t[wide.size()]);
      std::memcpy(text.get(), wide.data(), wide.size() * sizeof(wchar_t));
      Stopwatch watch;
      const bool ok = ours_reused.LoadFromBuffer(std::move(text), static_cast<size_t>(wide_length));
      ours_warm.push_back(watch.Seconds());
      if (!ok) return 1;
    }
    {
      theirs_reused->clear();
      Arena::Rewind();
      theirs_text.assign(utf8.begin(), utf8.end());
      theirs_text.push_back(0);
      Stopwatch watch;
      theirs_reused->parse<0>(theirs_text.data());
      theirs_warm.push_back(watch.Seconds());
    }
    // Load: ours from the UTF-8 bytes, conversion included; theirs from a
    // copy of the same bytes, since it parses in place.
    {
      auto doc = std::make_unique<ui::XmlDocument>();
      doc->set_preserve_whitespace(true);
      Stopwatch watch;
      const bool ok = doc->LoadFromBytes(utf8.data(), utf8.size());
      ours_load.push_back(watch.Seconds());
      if (!ok) return 1;
    }
    {
      auto doc = std::make_unique<rapidxml::xml_document<char>>();
      Stopwatch watch;
      std::vector<char> text(utf8.begin(), utf8.end());
      text.push_back(0);
      doc->parse<0>(text.data());
      theirs_load.push_back(watch.Seconds());
    }
  }
  if (ours_elements != theirs_elements) {
    std::printf("element counts differ: %d against %d\n", ours_elements, theirs_elements);
    return 1;
  }

  const double ours_parse_rate = megabytes / Best(ours_parse);
  const double theirs_parse_rate = megabytes / Best(theirs_parse);
  const double ours_warm_rate = megabytes / Best(ours_warm);
  const double theirs_warm_rate = megabytes / Best(theirs_warm);
  const double ours_load_rate = megabytes / Best(ours_load);
  const double theirs_load_rate = megabytes / Best(theirs_load);
  std::printf("xml_document_size: %.3f MB\n", megabytes);
  std::printf("xml_elements: %d count\n", ours_elements);
  std::printf("xml_parse_ours: %.1f MB/s\n", ours_parse_rate);
  std::printf("xml_parse_rapidxml: %.1f MB/s\n", theirs_parse_rate);
  std::printf("xml_parse_warm_ours: %.1f MB/s\n", ours_warm_rate);
  std::printf("xml_parse_warm_rapidxml: %.1f MB/s\n", theirs_warm_rate);
  std::printf("xml_load_ours: %.1f MB/s\n", ours_load_rate);
  std::printf("xml_load_rapidxml: %.1f MB/s\n", theirs_load_rate);
  std::printf("xml_parse_ratio: %.2f x\n", ours_parse_rate / theirs_parse_rate);
  std::printf("xml_parse_warm_ratio: %.2f x\n", ours_warm_rate / theirs_warm_rate);
  std::printf("xml_load_ratio: %.2f x\n", ours_load_rate / theirs_load_rate);
  return 0;
}
