#include "ui/controls/tree_node.h"

#include <algorithm>

#include "ui/controls/tree_view.h"
#include "ui/core/attribute_values.h"

namespace ui {

TreeNode::TreeNode() = default;

TreeNode::~TreeNode() {
  // In a view the view's list destroys every node; outside one the child
  // nodes are this node's own.
  if (tree_view_) return;
  std::vector<TreeNode*> children;
  children.swap(child_nodes_);
  for (TreeNode* child : children) delete child;
}

int TreeNode::GetChildNodeIndex(const TreeNode* node) const {
  auto it = std::find(child_nodes_.begin(), child_nodes_.end(), node);
  return it == child_nodes_.end() ? -1 : static_cast<int>(it - child_nodes_.begin());
}

size_t TreeNode::GetDescendantCount() const {
  size_t count = 0;
  for (const TreeNode* child : child_nodes_) count += 1 + child->GetDescendantCount();
  return count;
}

bool TreeNode::IsAncestorOf(const TreeNode* node) const {
  for (const TreeNode* above = node; above; above = above->parent_node_) {
    if (above == this) return true;
  }
  return false;
}

void TreeNode::SetDepth(int depth) {
  depth_ = depth;
  if (tree_view_) tree_view_->Indent(this);
  for (TreeNode* child : child_nodes_) child->SetDepth(depth + 1);
}

bool TreeNode::AddChildNode(TreeNode* node) { return AddChildNodeAt(node, child_nodes_.size()); }

bool TreeNode::AddChildNodeAt(TreeNode* node, size_t index) {
  // A node goes in once, and never under itself.
  if (!node || node->parent_node_ || node->tree_view_ || node->IsAncestorOf(this)) return false;
  index = std::min(index, child_nodes_.size());
  node->parent_node_ = this;
  child_nodes_.insert(child_nodes_.begin() + static_cast<std::ptrdiff_t>(index), node);
  node->SetDepth(depth_ + 1);
  if (tree_view_) {
    // After this node and the subtrees of the children before the new one.
    size_t at = static_cast<size_t>(tree_view_->GetItemIndex(this) + 1);
    for (size_t i = 0; i < index; ++i) at += 1 + child_nodes_[i]->GetDescendantCount();
    tree_view_->InsertSubtree(node, at);
  } else if (window_) {
    node->SetWindow(window_, this, true);
  }
  return true;
}

bool TreeNode::RemoveChildNode(TreeNode* node) {
  const int index = GetChildNodeIndex(node);
  if (index < 0) return false;
  return RemoveChildNodeAt(static_cast<size_t>(index));
}

bool TreeNode::RemoveChildNodeAt(size_t index) {
  if (index >= child_nodes_.size()) return false;
  TreeNode* node = child_nodes_[index];
  child_nodes_.erase(child_nodes_.begin() + static_cast<std::ptrdiff_t>(index));
  node->parent_node_ = nullptr;
  if (tree_view_) {
    tree_view_->RemoveSubtree(node);
  } else {
    delete node;
  }
  return true;
}

void TreeNode::RemoveAllChildNodes() {
  while (!child_nodes_.empty()) RemoveChildNodeAt(child_nodes_.size() - 1);
}

bool TreeNode::AddAt(Control* control, size_t index) {
  if (auto* node = dynamic_cast<TreeNode*>(control)) {
    // Markup adds child elements at the end of the content.
    return AddChildNodeAt(node, index >= children_.size() ? child_nodes_.size() : index);
  }
  return ListContainerElement::AddAt(control, index);
}

bool TreeNode::IsVisible() const {
  if (!ListContainerElement::IsVisible()) return false;
  return !parent_node_ || (parent_node_->IsExpand() && parent_node_->IsVisible());
}

void TreeNode::SetExpand(bool expand) {
  if (expand == expanded_) return;
  expanded_ = expand;
  if (tree_view_) {
    // A selection that folds away goes with it.
    const int current = tree_view_->GetCurSel();
    auto* selected =
        current >= 0 ? dynamic_cast<TreeNode*>(tree_view_->GetItemAt(static_cast<size_t>(current))) : nullptr;
    if (!expand && selected && selected != this && IsAncestorOf(selected)) tree_view_->SelectItem(-1);
    tree_view_->Arrange();
  }
  Invalidate();
}

void TreeNode::SetEnabled(bool enabled) {
  ListContainerElement::SetEnabled(enabled);
  for (TreeNode* child : child_nodes_) child->SetEnabled(enabled);
}

void TreeNode::SetWindow(ControlHost* window, Box* parent, bool init) {
  ListContainerElement::SetWindow(window, parent, init);
  // Child nodes not yet in a view hang off this node; in a view the list
  // attaches them itself.
  if (tree_view_) return;
  for (TreeNode* child : child_nodes_) child->SetWindow(window, this, init);
}

void TreeNode::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"expand") {
    SetExpand(ParseBool(value.c_str()));
  } else {
    ListContainerElement::SetAttribute(name, value);
  }
}

}  // namespace ui
