#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "tests/ui/byte_mutator.h"
#include "tests/ui/guarded_allocation.h"
#include "ui/core/xml_document.h"
#include "ui/core/xml_node.h"

namespace ui {
namespace {

const wchar_t* const kParseMessages[] = {
    L"Expected start tag",          L"Error parsing element name",           L"Error while parsing attributes",
    L"Expected attribute value",    L"Error while parsing attribute string", L"Expected start-tag closing",
    L"Expected end-tag start",      L"Unmatched closing tag",
};

bool IsParseMessage(const wchar_t* message) {
  for (const wchar_t* known : kParseMessages) {
    if (std::wcscmp(known, message) == 0) return true;
  }
  return false;
}

// Visits every element and reads every text the handles give out; with the
// buffer placed before a no-access page, any read past its end faults.
::testing::AssertionResult CheckTree(const XmlDocument& doc, size_t max_elements) {
  size_t visited = 0;
  XmlNode node = doc.GetRoot();
  while (node.IsValid()) {
    if (++visited > max_elements) return ::testing::AssertionFailure() << "more elements than characters";
    (void)std::wcslen(node.GetName());
    (void)std::wcslen(node.GetValue());
    const int count = node.GetAttributeCount();
    if (count < 0 || count > XmlNode::kMaxAttributes) return ::testing::AssertionFailure() << "count " << count;
    for (int i = 0; i < count; ++i) {
      const wchar_t* name = node.GetAttributeName(i);
      const wchar_t* value = node.GetAttributeValue(i);
      int first = 0;
      while (std::wcscmp(node.GetAttributeName(first), name) != 0) ++first;
      wchar_t buffer[XmlNode::kValueBufferSize];
      if (!node.GetAttributeValue(name, buffer))
        return ::testing::AssertionFailure() << "attribute by name not found";
      if (std::wcsncmp(buffer, node.GetAttributeValue(first), XmlNode::kValueBufferSize - 1) != 0)
        return ::testing::AssertionFailure() << "attribute by name differs";
      (void)std::wcslen(value);
    }
    XmlNode child = node.GetFirstChild();
    if (child.IsValid()) {
      if (child.GetParent().index() != node.index()) return ::testing::AssertionFailure() << "parent link";
      node = child;
      continue;
    }
    // Climb until a sibling turns up.
    while (node.IsValid() && !node.GetNextSibling().IsValid()) node = node.GetParent();
    if (node.IsValid()) node = node.GetNextSibling();
  }
  return ::testing::AssertionSuccess();
}

TEST(XmlRobustness, MutatedSkinsNeverReadOutsideTheBuffer) {
  std::vector<std::string> samples;
  for (const wchar_t* name : {L"skins\\global.xml", L"skins\\basic.xml", L"skins\\toast.xml"}) {
    samples.push_back(test::ReadTestFile(test::TestDataPath(name)));
    ASSERT_FALSE(samples.back().empty());
  }

  test::ByteMutator mutator(20261208);
  test::GuardedBytes input(test::ScopedGuardedArrays::kGuardedCapacity / 4);
  test::ScopedGuardedArrays guard;
  test::ScopedExitOnFault exit_on_fault("mutated skin");
  XmlDocument doc;
  int loaded = 0;
  int failed = 0;
  std::set<std::wstring> messages_seen;
  const int kDocuments = 200000;
  for (int i = 0; i < kDocuments; ++i) {
    exit_on_fault.set_case(i);
    const std::string bytes = mutator.Mutate(samples[mutator.Below(samples.size())]);
    doc.set_preserve_whitespace(mutator.Below(2) == 0);
    const char* placed = input.Place(bytes.data(), bytes.size());
    ASSERT_NE(nullptr, placed);
    if (doc.LoadFromBytes(placed, bytes.size())) {
      ++loaded;
      ASSERT_TRUE(CheckTree(doc, bytes.size() + 1)) << "document " << i;
    } else {
      ++failed;
      ASSERT_TRUE(IsParseMessage(doc.GetLastErrorMessage())) << "document " << i << ": " << doc.GetLastErrorMessage();
      ASSERT_LE(std::wcslen(doc.GetLastErrorLocation()), XmlDocument::kMaxErrorLocation);
      ASSERT_FALSE(doc.GetRoot().IsValid());
      messages_seen.insert(doc.GetLastErrorMessage());
    }
  }
  // The generator must reach both outcomes and every parse error, or it tests little.
  EXPECT_GT(loaded, kDocuments / 20);
  EXPECT_GT(failed, kDocuments / 20);
  EXPECT_EQ(sizeof(kParseMessages) / sizeof(kParseMessages[0]), messages_seen.size());
}

}  // namespace
}  // namespace ui
