#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/ui/byte_mutator.h"
#include "ui/core/xml_document.h"
#include "ui/core/xml_node.h"

namespace ui {
namespace {

std::wstring TempFilePath(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"tarnwell_xml_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + name;
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  if (!bytes.empty()) ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  ASSERT_EQ(bytes.size(), written);
}

XmlNode Child(const XmlNode& node, const wchar_t* name) {
  for (XmlNode child = node.GetFirstChild(); child.IsValid(); child = child.GetNextSibling()) {
    if (std::wcscmp(child.GetName(), name) == 0) return child;
  }
  return XmlNode();
}

std::wstring Attribute(const XmlNode& node, const wchar_t* name) {
  wchar_t buffer[XmlNode::kValueBufferSize] = L"<absent>";
  node.GetAttributeValue(name, buffer);
  return buffer;
}

TEST(XmlDocument, ReadsSkinFileIntoTree) {
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadFromFile(test::TestDataPath(L"skins\\basic.xml"))) << doc.GetLastErrorMessage();
  XmlNode root = doc.GetRoot();
  EXPECT_STREQ(L"Window", root.GetName());
  EXPECT_FALSE(root.GetParent().IsValid());
  EXPECT_EQ(6, root.GetAttributeCount());
  EXPECT_EQ(L"800,600", Attribute(root, L"size"));
  EXPECT_EQ(L"<absent>", Attribute(root, L"Size"));  // names are case-sensitive

  XmlNode vbox = Child(root, L"VBox");
  EXPECT_EQ(root.index(), vbox.GetParent().index());
  XmlNode caption = Child(vbox, L"HBox");
  EXPECT_EQ(L"Tarnwell & Friends", Attribute(caption.GetFirstChild(), L"text"));
  EXPECT_EQ(L"<min>", Attribute(Child(caption, L"Button"), L"tooltiptext"));
  // Numeric character references stay as written; UTF-8 arrives as UTF-16.
  EXPECT_EQ(L"&#20320;&#22909;", Attribute(Child(Child(vbox, L"Box"), L"Label"), L"text"));
  XmlNode footer = caption.GetNextSibling().GetNextSibling();
  EXPECT_EQ(L"\u786E\u5B9A", Attribute(Child(footer, L"Button"), L"text"));
}

TEST(XmlDocument, EveryParseErrorHasItsMessageAndPosition) {
  struct Case {
    const wchar_t* text;
    const wchar_t* message;
    const wchar_t* location;
  };
  const Case cases[] = {
      {L"hello", L"Expected start tag", L"hello"},
      {L"<a><b/>text</a>", L"Expected start tag", L"text</a>"},
      {L"<a><b><c/>", L"Expected start tag", L""},
      {L"<Window", L"Error parsing element name", L""},
      {L"<a b/>", L"Error while parsing attributes", L"/>"},
      {L"<a b='x'/>", L"Expected attribute value", L"'x'/>"},
      {L"<a b=\"x", L"Error while parsing attribute string", L""},
      {L"<a/ >", L"Expected start-tag closing", L"/ >"},
      {L"<a b=\"1\"", L"Expected start-tag closing", L""},
      {L"<a><b><c>text", L"Expected end-tag start", L""},
      {L"<a></b>", L"Unmatched closing tag", L"b>"},
      {L"<abc></abcd>", L"Unmatched closing tag", L"d>"},
  };
  for (const Case& c : cases) {
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFromText(c.text)) << c.text;
    EXPECT_STREQ(c.message, doc.GetLastErrorMessage()) << c.text;
    EXPECT_STREQ(c.location, doc.GetLastErrorLocation()) << c.text;
    EXPECT_FALSE(doc.GetRoot().IsValid()) << c.text;
  }

  // The position text is cut to 49 characters.
  XmlDocument doc;
  std::wstring junk(200, L'x');
  EXPECT_FALSE(doc.LoadFromText(junk.c_str()));
  EXPECT_EQ(std::wstring(49, L'x'), doc.GetLastErrorLocation());
}

TEST(XmlDocument, FileErrorsAndSizeLimit) {
  XmlDocument doc;
  EXPECT_FALSE(doc.LoadFromFile(TempFilePath(L"missing.xml")));
  EXPECT_STREQ(L"Error opening file", doc.GetLastErrorMessage());
  EXPECT_STREQ(L"", doc.GetLastErrorLocation());

  const std::wstring empty = TempFilePath(L"empty.xml");
  WriteFile(empty, "");
  EXPECT_FALSE(doc.LoadFromFile(empty));
  EXPECT_STREQ(L"File is empty", doc.GetLastErrorMessage());

  // Exactly the limit is read; one byte more is refused.
  std::string body = "<Window text=\"" + std::string(XmlDocument::kMaxFileSize - 32, 'x');
  body += "\">";
  body += std::string(XmlDocument::kMaxFileSize - body.size() - 9, ' ');
  body += "</Window>";
  ASSERT_EQ(XmlDocument::kMaxFileSize, body.size());
  const std::wstring big = TempFilePath(L"big.xml");
  WriteFile(big, body);
  ASSERT_TRUE(doc.LoadFromFile(big)) << doc.GetLastErrorMessage();
  EXPECT_EQ(XmlDocument::kMaxFileSize - 32, std::wcslen(doc.GetRoot().GetAttributeValue(0)));

  WriteFile(big, body + " ");
  EXPECT_FALSE(doc.LoadFromFile(big));
  EXPECT_STREQ(L"File too large", doc.GetLastErrorMessage());
  EXPECT_FALSE(doc.GetRoot().IsValid());

  ::DeleteFileW(empty.c_str());
  ::DeleteFileW(big.c_str());
}

TEST(XmlDocument, LockedFileCannotBeRead) {
  const std::wstring path = TempFilePath(L"locked.xml");
  WriteFile(path, "<Window/>");
  // The loader shares reading only, so the holder may only read too.
  HANDLE holder = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  ASSERT_TRUE(::LockFile(holder, 0, 0, 100, 0));
  // Windows refuses reads of a region locked through another handle; Wine
  // does not enforce such locks, and there this case cannot be made.
  HANDLE probe = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  char byte = 0;
  DWORD read = 0;
  const bool locks_enforced = !::ReadFile(probe, &byte, 1, &read, nullptr);
  ::CloseHandle(probe);
  XmlDocument doc;
  const bool loaded = doc.LoadFromFile(path);
  const std::wstring message = doc.GetLastErrorMessage();
  ::UnlockFile(holder, 0, 0, 100, 0);
  ::CloseHandle(holder);
  EXPECT_TRUE(doc.LoadFromFile(path));
  ::DeleteFileW(path.c_str());
  if (!locks_enforced) GTEST_SKIP() << "byte-range locks are not enforced on reads here";
  EXPECT_FALSE(loaded);
  EXPECT_EQ(L"Could not read file", message);
}

TEST(XmlDocument, UnescapesInPlaceAndPadsWithSpaces) {
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadFromText(
      L"<a v=\"a&amp;b\" w=\"&lt;&gt;&quot;&apos;\" n=\"&#65;&unknown;&amp\" e=\"\">t &amp; u</a>"));
  XmlNode a = doc.GetRoot();
  ASSERT_EQ(4, a.GetAttributeCount());
  const wchar_t* v = a.GetAttributeValue(0);
  EXPECT_STREQ(L"a&b", v);
  // Four characters were freed (three by the entity, one quote): all spaces.
  EXPECT_EQ(std::wstring(L"    "), std::wstring(v + 4, 4));
  EXPECT_STREQ(L"w", a.GetAttributeName(1));
  EXPECT_STREQ(L"<>\"'", a.GetAttributeValue(1));
  EXPECT_STREQ(L"&#65;&unknown;&amp", a.GetAttributeValue(2));
  EXPECT_STREQ(L"e", a.GetAttributeName(3));
  EXPECT_STREQ(L"", a.GetAttributeValue(3));
  EXPECT_STREQ(L"t & u", a.GetValue());

  // White space runs that begin with a space collapse unless preserved.
  ASSERT_TRUE(doc.LoadFromText(L"<a v=\"x   y\t\tz\">p  q</a>"));
  EXPECT_STREQ(L"x y\t\tz", doc.GetRoot().GetAttributeValue(0));
  EXPECT_STREQ(L"p q", doc.GetRoot().GetValue());
  doc.set_preserve_whitespace(true);
  ASSERT_TRUE(doc.LoadFromText(L"<a v=\"x   y\">p  q</a>"));
  EXPECT_STREQ(L"x   y", doc.GetRoot().GetAttributeValue(0));
  EXPECT_STREQ(L"p  q", doc.GetRoot().GetValue());
}

TEST(XmlDocument, TextEmptyElementsAndReload) {
  XmlDocument doc;
  doc.set_preserve_whitespace(true);
  ASSERT_TRUE(doc.LoadFromText(L"<a>lead<b/><c x=\"1\">inner</c> <d></d></a><e/>"));
  XmlNode a = doc.GetRoot();
  EXPECT_STREQ(L"lead", a.GetValue());
  XmlNode b = a.GetFirstChild();
  EXPECT_STREQ(L"", b.GetValue());
  EXPECT_EQ(0, b.GetAttributeCount());
  XmlNode c = b.GetNextSibling();
  EXPECT_STREQ(L"inner", c.GetValue());
  EXPECT_EQ(1, c.GetAttributeCount());
  EXPECT_STREQ(L"d", c.GetNextSibling().GetName());
  EXPECT_FALSE(c.GetNextSibling().GetNextSibling().IsValid());
  EXPECT_STREQ(L"e", a.GetNextSibling().GetName());  // more than one top-level element

  // A failed load discards what was there.
  EXPECT_FALSE(doc.LoadFromText(L"<x"));
  EXPECT_FALSE(doc.GetRoot().IsValid());
}

TEST(XmlDocument, TopTwoLevelsMayStayOpen) {
  XmlDocument doc;
  EXPECT_TRUE(doc.LoadFromText(L"<Window><VBox/>"));
  EXPECT_STREQ(L"VBox", doc.GetRoot().GetFirstChild().GetName());
  EXPECT_TRUE(doc.LoadFromText(L"<Window><VBox>"));
  EXPECT_TRUE(doc.LoadFromText(L"<Window><VBox><HBox/></VBox>"));
  EXPECT_FALSE(doc.LoadFromText(L"<Window><VBox><HBox/>"));
  EXPECT_STREQ(L"Expected start tag", doc.GetLastErrorMessage());
  EXPECT_FALSE(doc.LoadFromText(L"<Window><VBox><HBox>"));
  EXPECT_STREQ(L"Expected end-tag start", doc.GetLastErrorMessage());
}

TEST(XmlDocument, SkipsCommentsAndProcessingInstructions) {
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadFromText(L"<?xml version=\"1.0\"?>\n<!-- head -->\n<a><!-- in <b/> --><c/><? pi ?></a><!---->"));
  XmlNode a = doc.GetRoot();
  EXPECT_STREQ(L"a", a.GetName());
  EXPECT_STREQ(L"c", a.GetFirstChild().GetName());
  EXPECT_FALSE(a.GetFirstChild().GetNextSibling().IsValid());

  // A declaration only ends at "->": without one the document is empty.
  EXPECT_TRUE(doc.LoadFromText(L"<!DOCTYPE skin><Window/>"));
  EXPECT_FALSE(doc.GetRoot().IsValid());
  EXPECT_TRUE(doc.LoadFromText(L"<!DOCTYPE skin -><Window/>"));
  EXPECT_STREQ(L"Window", doc.GetRoot().GetName());
}

TEST(XmlDocument, AttributeLimits) {
  std::wstring text = L"<a";
  for (int i = 0; i < 70; ++i) text += L" n" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
  text += L"/>";
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadFromText(text.c_str()));
  XmlNode a = doc.GetRoot();
  EXPECT_EQ(64, a.GetAttributeCount());
  EXPECT_STREQ(L"v63", a.GetAttributeValue(63));
  EXPECT_STREQ(L"", a.GetAttributeName(64));
  wchar_t buffer[XmlNode::kValueBufferSize] = L"untouched";
  EXPECT_FALSE(a.GetAttributeValue(L"n65", buffer));
  EXPECT_STREQ(L"untouched", buffer);

  // A copied handle carries its split attributes.
  XmlNode copy = a;
  EXPECT_STREQ(L"v10", copy.GetAttributeValue(10));

  std::wstring long_value(600, L'q');
  long_value[498] = L'A';
  long_value[499] = L'B';
  ASSERT_TRUE(doc.LoadFromText((L"<a first=\"1\" long=\"" + long_value + L"\" first=\"2\"/>").c_str()));
  EXPECT_EQ(long_value.substr(0, 499), Attribute(doc.GetRoot(), L"long"));
  EXPECT_EQ(L"1", Attribute(doc.GetRoot(), L"first"));
  ASSERT_TRUE(doc.LoadFromText(L"<a>text</a>"));
  EXPECT_FALSE(doc.GetRoot().GetAttributeValue(L"text", buffer));
  EXPECT_STREQ(L"untouched", buffer);
}

TEST(XmlDocument, WideAndDeepDocuments) {
  // Thousands of records exercise the element array's growth.
  std::wstring wide = L"<list>";
  for (int i = 0; i < 5000; ++i) wide += L"<item id=\"" + std::to_wstring(i) + L"\"/>";
  wide += L"</list>";
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadFromText(wide.c_str()));
  int count = 0;
  XmlNode last;
  for (XmlNode n = doc.GetRoot().GetFirstChild(); n.IsValid(); n = n.GetNextSibling()) {
    ++count;
    last = n;
  }
  EXPECT_EQ(5000, count);
  EXPECT_EQ(L"4999", Attribute(last, L"id"));


  // Nesting depth is limited by nothing but memory.
  const int depth = 200000;
  std::wstring deep;
  for (int i = 0; i < depth; ++i) deep += L"<b>";
  for (int i = 0; i < depth; ++i) deep += L"</b>";
  ASSERT_TRUE(doc.LoadFromText(deep.c_str())) << doc.GetLastErrorMessage();
  int levels = 0;
  for (XmlNode n = doc.GetRoot(); n.IsValid(); n = n.GetFirstChild()) ++levels;
  EXPECT_EQ(depth, levels);
}

TEST(XmlDocument, LoadFromBytesSkipsByteOrderMark) {
  const char with_bom[] = "\xEF\xBB\xBF<Window title=\"\xE4\xBD\xA0\"/>";
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadFromBytes(with_bom, sizeof(with_bom) - 1));
  EXPECT_STREQ(L"Window", doc.GetRoot().GetName());
  EXPECT_EQ(L"\u4F60", Attribute(doc.GetRoot(), L"title"));
  // Half a mark is no mark: it is text before the first tag.
  EXPECT_FALSE(doc.LoadFromBytes("\xEF\xBB", 2));
  EXPECT_STREQ(L"Expected start tag", doc.GetLastErrorMessage());
  EXPECT_TRUE(doc.LoadFromBytes("", 0));
  EXPECT_FALSE(doc.GetRoot().IsValid());
}

}  // namespace
}  // namespace ui
