#pragma once

#include <string>

#include "ui/core/resource_manager.h"
#include "ui/core/xml_document.h"
#include "ui/core/xml_node.h"

namespace ui {

class Box;
class Control;
class ControlHost;

// Turns one XML layout into resources and a tree of controls: "Global"
// fills the resource manager's tables, "Window" sets properties of the host
// window, and the first other element builds the controls. Element names
// outside the framework's own classes go to the application's control
// factory and then to the caller's callback. Builders are single-use per
// call but keep their parsed document, so the layout cache can build the
// same layout again without parsing.
class MarkupBuilder {
 public:
  // Same shape as the application's factory: element name in, new control
  // or null out.
  using CreateControlCallback = ControlFactory;

  MarkupBuilder();
  ~MarkupBuilder();
  MarkupBuilder(const MarkupBuilder&) = delete;
  MarkupBuilder& operator=(const MarkupBuilder&) = delete;

  // |source| is XML text when it starts with "<", otherwise a file path
  // (relative to the resource path); empty reuses the loaded document.
  // Children are built into |parent| (which must then be a Box). When
  // |root| is given, the layout's first control element configures it and
  // fills it instead, and |root| is the result. Returns the first control
  // created at the top level, or null.
  Control* Create(const std::wstring& source, const CreateControlCallback& callback = nullptr,
                  ControlHost* window = nullptr, Control* parent = nullptr, Control* root = nullptr);
  // The same over the document loaded earlier.
  Control* CreateFromDocument(const CreateControlCallback& callback = nullptr, ControlHost* window = nullptr,
                              Control* parent = nullptr, Control* root = nullptr);

  bool IsLoaded() const { return document_.GetRoot().IsValid(); }
  const XmlDocument& document() const { return document_; }

  // The framework's own element classes; null for any other name.
  static Control* CreateBuiltInControl(const std::wstring& element_name);

 private:
  // Builds from |document|, which the caller keeps alive for the call.
  Control* BuildDocument(const XmlDocument& document, const CreateControlCallback& callback, ControlHost* window,
                         Control* parent, Control* root = nullptr);
  void ProcessGlobal(const XmlNode& root);
  void ProcessWindow(const XmlNode& root);
  // Builds the children of |node| into |parent|; returns the first control
  // added (or, without a parent, created).
  Control* BuildChildren(const XmlNode& node, Control* parent);
  Control* BuildInclude(const XmlNode& node, Control* parent);
  void AttachEvents(const XmlNode& node, Control* owner, bool bubbled);

  XmlDocument document_;
  CreateControlCallback callback_;
  ControlHost* window_ = nullptr;
  // Set when an element had to go into a parent that is not a Box.
  bool aborted_ = false;
};

}  // namespace ui
