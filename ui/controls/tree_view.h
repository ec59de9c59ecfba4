#pragma once

#include <memory>

#include "ui/controls/list_box.h"
#include "ui/controls/tree_node.h"

namespace ui {

// A list of tree nodes under an invisible root node. Nodes are added to
// the root or to other nodes; the view's own list is the tree read in
// order, and only the nodes change it.
class TreeView : public ListBox {
 public:
  TreeView();
  ~TreeView() override;

  TreeNode* GetRootNode() const { return root_.get(); }
  // Pixels per level of depth.
  int GetIndent() const { return indent_; }
  void SetIndent(int indent);

  // ListBox: a node added to the view goes under the root; nothing else
  // comes in, and nothing leaves except through the nodes.
  bool Add(Control* control) override;
  bool AddAt(Control* control, size_t index) override;
  bool Remove(Control* control) override;
  bool RemoveAt(size_t index) override;
  void RemoveAll() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 private:
  friend class TreeNode;

  // Puts |node| and its subtree into the list from |index| on.
  void InsertSubtree(TreeNode* node, size_t index);
  // Takes |node| and its subtree out of the list and destroys them.
  void RemoveSubtree(TreeNode* node);
  void Indent(TreeNode* node);

  int indent_ = 0;
  std::unique_ptr<TreeNode> root_;
};

}  // namespace ui
