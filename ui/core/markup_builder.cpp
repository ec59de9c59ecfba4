#include "ui/core/markup_builder.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "ui/controls/button.h"
#include "ui/controls/check_box.h"
#include "ui/controls/child_box.h"
#include "ui/controls/circle_progress.h"
#include "ui/controls/combo.h"
#include "ui/controls/label.h"
#include "ui/controls/list_box.h"
#include "ui/controls/list_container_element.h"
#include "ui/controls/option.h"
#include "ui/controls/progress.h"
#include "ui/controls/rich_edit.h"
#include "ui/controls/scroll_bar.h"
#include "ui/controls/slider.h"
#include "ui/controls/tab_box.h"
#include "ui/controls/tile_box.h"
#include "ui/controls/tree_view.h"
#include "ui/controls/virtual_list_box.h"
#include "ui/core/attribute_values.h"
#include "ui/core/box.h"
#include "ui/core/build_session.h"
#include "ui/core/control.h"
#include "ui/core/control_host.h"
#include "ui/core/h_box.h"
#include "ui/core/h_layout.h"
#include "ui/core/string_util.h"
#include "ui/core/tile_layout.h"
#include "ui/core/v_box.h"
#include "ui/core/v_layout.h"

namespace ui {

namespace {

// A layout that includes itself would otherwise recurse until the stack
// runs out.
constexpr int kMaxIncludeDepth = 8;
int g_include_depth = 0;
// Building, arranging, painting and destroying all recurse along the tree,
// so a hostile document nested a million deep must not become a tree that
// deep. Deeper elements are skipped with their subtrees.
constexpr int kMaxNestingDepth = 256;
int g_nesting_depth = 0;
// Copies of one included file; more only exhausts memory.
constexpr int kMaxIncludeCount = 1000;

bool IsResourceElement(const wchar_t* name) {
  return std::wcscmp(name, L"Image") == 0 || std::wcscmp(name, L"Font") == 0 || std::wcscmp(name, L"Class") == 0 ||
         std::wcscmp(name, L"TextColor") == 0;
}

std::wstring ReadAttribute(const XmlNode& node, const wchar_t* name) {
  wchar_t buffer[XmlNode::kValueBufferSize] = {};
  if (!node.GetAttributeValue(name, buffer)) return std::wstring();
  return buffer;
}

// name="..." holds the class name, value="..." starts the list, every other
// attribute is appended as name="value"; "_value" stands for an attribute
// called value.
std::wstring AssembleClass(const XmlNode& node, std::wstring* class_name) {
  std::wstring base;
  std::wstring appended;
  const int count = node.GetAttributeCount();
  for (int i = 0; i < count; ++i) {
    const std::wstring name = node.GetAttributeName(i);
    const wchar_t* value = node.GetAttributeValue(i);
    if (name == L"name") {
      *class_name = value;
    } else if (name == L"value") {
      base = value;
    } else if (name == L"_value") {
      appended += L" value=\"";
      appended += value;
      appended += L"\"";
    } else {
      appended += L" " + name + L"=\"" + value + L"\"";
    }
  }
  std::wstring list = base + appended;
  const size_t start = list.find_first_not_of(L' ');
  return start == std::wstring::npos ? std::wstring() : list.substr(start);
}

Control* FindInSubtree(Control* owner, const std::wstring& name) {
  return owner->FindControl(
      [&name](Control* control, void*) -> Control* { return control->GetName() == name ? control : nullptr; },
      nullptr, kFindMeFirst);
}

}  // namespace

MarkupBuilder::MarkupBuilder() { document_.set_preserve_whitespace(true); }

MarkupBuilder::~MarkupBuilder() = default;

Control* MarkupBuilder::CreateBuiltInControl(const std::wstring& name) {
  if (name == L"Control") return new Control();
  if (name == L"Box") return new Box();
  if (name == L"HBox") return new HBox();
  if (name == L"VBox") return new VBox();
  if (name == L"Label") return new Label();
  if (name == L"Button") return new Button();
  if (name == L"Option") return new Option();
  if (name == L"CheckBox") return new CheckBox();
  if (name == L"LabelBox") return new LabelBox();
  if (name == L"ButtonBox") return new ButtonBox();
  if (name == L"OptionBox") return new OptionBox();
  if (name == L"CheckBoxBox") return new CheckBoxBox();
  if (name == L"ScrollBar") return new ScrollBar();
  if (name == L"RichEdit") return new RichEdit();
  if (name == L"TabBox") return new TabBox();
  if (name == L"TileBox") return new TileBox();
  if (name == L"ChildBox") return new ChildBox();
  if (name == L"Combo") return new Combo();
  if (name == L"Slider") return new Slider();
  if (name == L"Progress") return new Progress();
  if (name == L"CircleProgress") return new CircleProgress();
  if (name == L"ListBox") return new ListBox();
  if (name == L"VListBox") return new ListBox(std::make_unique<VLayout>());
  if (name == L"HListBox") return new ListBox(std::make_unique<HLayout>());
  if (name == L"TileListBox") return new ListBox(std::make_unique<TileLayout>());
  if (name == L"VirtualListBox") return new VirtualListBox();
  if (name == L"ListContainerElement") return new ListContainerElement();
  if (name == L"TreeView") return new TreeView();
  if (name == L"TreeNode") return new TreeNode();
  return nullptr;
}

Control* MarkupBuilder::Create(const std::wstring& source, const CreateControlCallback& callback,
                               ControlHost* window, Control* parent, Control* root) {
  BuildSession::Scope session;
  if (!source.empty()) {
    const bool is_text = source[0] == L'<';
    const bool loaded = is_text ? document_.LoadFromText(source.c_str()) : document_.LoadFromFile(source);
    if (!loaded) return nullptr;
    // The builder outlives only the session it opened.
    if (!is_text && session.outermost()) session->AddDocument(source, &document_);
  }
  return CreateFromDocument(callback, window, parent, root);
}

Control* MarkupBuilder::CreateFromDocument(const CreateControlCallback& callback, ControlHost* window,
                                           Control* parent, Control* root) {
  return BuildDocument(document_, callback, window, parent, root);
}

Control* MarkupBuilder::BuildDocument(const XmlDocument& document, const CreateControlCallback& callback,
                                      ControlHost* window, Control* parent, Control* root) {
  BuildSession::Scope session;
  const XmlNode root_node = document.GetRoot();
  if (!root_node.IsValid()) return nullptr;
  callback_ = callback;
  window_ = window;
  aborted_ = false;

  const wchar_t* root_name = root_node.GetName();
  if (std::wcscmp(root_name, L"Global") == 0) {
    ProcessGlobal(root_node);
  } else if (std::wcscmp(root_name, L"Window") == 0) {
    ProcessWindow(root_node);
  }

  // Only the first element that is not a resource builds anything.
  for (XmlNode node = root_node.GetFirstChild(); node.IsValid(); node = node.GetNextSibling()) {
    if (IsResourceElement(node.GetName())) continue;
    if (!root) {
      Control* result = BuildChildren(root_node, parent);
      return aborted_ ? nullptr : result;
    }
    const int count = node.GetAttributeCount();
    for (int i = 0; i < count; ++i) root->SetAttribute(node.GetAttributeName(i), node.GetAttributeValue(i));
    BuildChildren(node, root);
    return aborted_ ? nullptr : root;
  }
  return nullptr;
}

void MarkupBuilder::ProcessGlobal(const XmlNode& root) {
  const int count = root.GetAttributeCount();
  for (int i = 0; i < count; ++i) {
    const std::wstring name = root.GetAttributeName(i);
    const std::wstring value = root.GetAttributeValue(i);
    if (name == L"disabledfontcolor") {
      ResourceManager::SetDefaultDisabledTextColor(value);
    } else if (name == L"defaultfontcolor") {
      ResourceManager::SetDefaultTextColor(value);
    } else if (name == L"linkfontcolor" || name == L"linkhoverfontcolor" || name == L"selectedcolor") {
      // Only makes sure the name is in the table.
      ResourceManager::GetTextColor(value);
    }
  }

  for (XmlNode node = root.GetFirstChild(); node.IsValid(); node = node.GetNextSibling()) {
    const wchar_t* name = node.GetName();
    if (std::wcscmp(name, L"Font") == 0) {
      const std::wstring face = ReadAttribute(node, L"name");
      if (face.empty()) continue;
      ResourceManager::AddFont(face, ReadAttribute(node, L"id"), ParseInt(ReadAttribute(node, L"size").c_str()),
                               ParseBool(ReadAttribute(node, L"bold").c_str()),
                               ParseBool(ReadAttribute(node, L"underline").c_str()),
                               ParseBool(ReadAttribute(node, L"italic").c_str()),
                               ParseBool(ReadAttribute(node, L"default").c_str()));
    } else if (std::wcscmp(name, L"Class") == 0) {
      std::wstring class_name;
      const std::wstring list = AssembleClass(node, &class_name);
      if (!class_name.empty()) ResourceManager::AddClass(class_name, list);
    } else if (std::wcscmp(name, L"TextColor") == 0) {
      const std::wstring color_name = ReadAttribute(node, L"name");
      if (!color_name.empty())
        ResourceManager::AddTextColor(color_name, ParseColorDefinition(ReadAttribute(node, L"value").c_str()));
    }
  }
}

void MarkupBuilder::ProcessWindow(const XmlNode& root) {
  if (!window_) return;
  // The temporary window used for "global.xml" has no native window and
  // takes no window properties.
  if (window_->GetHWND()) {
    const int count = root.GetAttributeCount();
    for (int i = 0; i < count; ++i) window_->ApplyWindowAttribute(root.GetAttributeName(i), root.GetAttributeValue(i));
  }
  for (XmlNode node = root.GetFirstChild(); node.IsValid(); node = node.GetNextSibling()) {
    if (std::wcscmp(node.GetName(), L"Class") != 0) continue;
    std::wstring class_name;
    const std::wstring list = AssembleClass(node, &class_name);
    if (!class_name.empty()) window_->AddClass(class_name, list);
  }
}

Control* MarkupBuilder::BuildChildren(const XmlNode& node, Control* parent) {
  BuildSession::Scope session;
  Control* result = nullptr;
  for (XmlNode child = node.GetFirstChild(); child.IsValid(); child = child.GetNextSibling()) {
    if (aborted_) return nullptr;
    // Without a parent only the first control has an owner; the caller
    // gets that one and nothing else is built.
    if (!parent && result) break;
    const wchar_t* element = child.GetName();
    if (IsResourceElement(element)) continue;
    if (std::wcscmp(element, L"Include") == 0) {
      Control* included = BuildInclude(child, parent);
      if (!result) result = included;
      continue;
    }

    if (std::wcscmp(element, L"Event") == 0 || std::wcscmp(element, L"BubbledEvent") == 0) {
      if (parent) AttachEvents(child, parent, element[0] == L'B');
      continue;
    }
    // Past the limit the build keeps what it has and adds nothing more.
    if (!session->TakeControl()) break;
    Control* control = CreateBuiltInControl(element);
    if (!control) {
      const ControlFactory& factory = ResourceManager::GetControlFactory();
      if (factory) control = factory(element);
      if (!control && callback_) control = callback_(element);
      if (!control) continue;
    }

    control->SetWindow(window_);
    const int count = child.GetAttributeCount();
    for (int i = 0; i < count; ++i) control->SetAttribute(child.GetAttributeName(i), child.GetAttributeValue(i));
    if (child.GetFirstChild().IsValid() && g_nesting_depth < kMaxNestingDepth) {
      ++g_nesting_depth;
      BuildChildren(child, control);
      --g_nesting_depth;
      if (aborted_) {
        delete control;  // it never reached a parent
        return nullptr;
      }
    }

    if (parent) {
      Box* box = dynamic_cast<Box*>(parent);
      if (!box) {
        aborted_ = true;
        delete control;
        return nullptr;
      }
      if (!box->Add(control)) {
        delete control;
        continue;
      }
    }
    if (!result) result = control;
  }
  return result;
}

Control* MarkupBuilder::BuildInclude(const XmlNode& node, Control* parent) {
  const std::wstring source = ReadAttribute(node, L"source");
  if (source.empty() || g_include_depth >= kMaxIncludeDepth) return nullptr;
  const std::wstring count_text = ReadAttribute(node, L"count");
  const int count = count_text.empty() ? 1 : std::min(ParseInt(count_text.c_str()), kMaxIncludeCount);

  BuildSession::Scope session;
  // Parsed once for all copies, and once for the whole build when the file
  // includes itself.
  XmlDocument inline_text;
  const XmlDocument* document = nullptr;
  if (source[0] == L'<') {
    inline_text.set_preserve_whitespace(true);
    if (inline_text.LoadFromText(source.c_str())) document = &inline_text;
  } else {
    document = session->LoadDocument(source);
  }
  if (!document) return nullptr;
  Control* first = nullptr;
  ++g_include_depth;
  for (int i = 0; i < count && session->TakeInclude(); ++i) {
    MarkupBuilder builder;
    Control* control = builder.BuildDocument(*document, callback_, window_, parent);
    if (!control) continue;
    if (!parent) {
      // Nothing owns it unless it becomes the result.
      if (!first) {
        first = control;
        break;
      }
      delete control;
      continue;
    }
    if (!first) first = control;
  }
  --g_include_depth;
  return first;
}

void MarkupBuilder::AttachEvents(const XmlNode& node, Control* owner, bool bubbled) {
  Box* box = nullptr;
  if (bubbled) {
    box = dynamic_cast<Box*>(owner);
    if (!box) return;
  }
  const std::vector<std::wstring> types = Split(ReadAttribute(node, L"type"), L" ");
  const std::vector<std::wstring> receivers = Split(ReadAttribute(node, L"receiver"), L" ");
  const std::wstring attribute_list = ReadAttribute(node, L"applyattribute");
  BuildSession::Scope session;
  if (!session->TakeEventHandlers(types.size() * receivers.size())) return;

  for (const std::wstring& type : types) {
    const int kind = EventKindFromName(type);
    for (const std::wstring& receiver : receivers) {
      // The owner outlives nothing it hands out: the handler is dropped
      // with it.
      auto apply = owner->ToWeakCallback([owner, receiver, attribute_list](EventArgs*) -> bool {
        Control* target = nullptr;
        if (receiver.compare(0, 2, L".\\") == 0 || receiver.compare(0, 2, L"./") == 0) {
          target = FindInSubtree(owner, receiver.substr(2));
        } else if (ControlHost* window = owner->GetWindow()) {
          target = window->FindControl(receiver);
        }
        if (target) target->ApplyAttributeList(attribute_list);
        return true;
      });
      EventHandler handler = [apply](EventArgs* args) mutable -> bool {
        apply(args);
        return true;
      };
      if (box) {
        box->AttachMarkupBubbledEvent(kind, std::move(handler));
      } else {
        owner->AttachMarkupEvent(kind, std::move(handler));
      }
    }
  }
}

}  // namespace ui
