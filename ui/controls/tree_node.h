#pragma once

#include <vector>

#include "ui/controls/list_container_element.h"

namespace ui {

class TreeView;

// One node of a tree: a list element with child nodes that it can show or
// hide. In a tree view every node is an element of the view's flat list,
// in the order the tree is read, indented by its depth; a node counts as
// shown only while every node above it is shown and expanded. A node not
// yet in a view owns its child nodes; in a view the view's list owns them
// all.
class TreeNode : public ListContainerElement {
 public:
  TreeNode();
  ~TreeNode() override;

  TreeView* GetTreeView() const { return tree_view_; }
  TreeNode* GetParentNode() const { return parent_node_; }
  // -1 for the view's invisible root, 0 for the nodes under it.
  int GetDepth() const { return depth_; }
  bool IsExpand() const { return expanded_; }
  void SetExpand(bool expand);

  size_t GetChildNodeCount() const { return child_nodes_.size(); }
  TreeNode* GetChildNode(size_t index) const { return index < child_nodes_.size() ? child_nodes_[index] : nullptr; }
  int GetChildNodeIndex(const TreeNode* node) const;
  // Nodes in the subtree below this one.
  size_t GetDescendantCount() const;
  // False for none, a node already placed, or this node and its ancestors.
  bool AddChildNode(TreeNode* node);
  bool AddChildNodeAt(TreeNode* node, size_t index);
  // Destroys the node with its subtree.
  bool RemoveChildNode(TreeNode* node);
  bool RemoveChildNodeAt(size_t index);
  void RemoveAllChildNodes();

  // ListContainerElement: a node added into a node becomes its child node;
  // anything else is the node's own content.
  bool AddAt(Control* control, size_t index) override;
  bool IsVisible() const override;
  void SetEnabled(bool enabled) override;
  void SetWindow(ControlHost* window, Box* parent, bool init) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 private:
  friend class TreeView;

  bool IsAncestorOf(const TreeNode* node) const;
  // The depth of this subtree follows its new parent.
  void SetDepth(int depth);
  // The index in the view's list just after this node's subtree.
  int ListIndexAfterSubtree() const;

  TreeView* tree_view_ = nullptr;
  TreeNode* parent_node_ = nullptr;
  int depth_ = -1;
  bool expanded_ = true;
  // The indentation now added to the left margin.
  int applied_indent_ = 0;
  std::vector<TreeNode*> child_nodes_;
};

}  // namespace ui
