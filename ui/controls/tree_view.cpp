#include "ui/controls/tree_view.h"

#include <algorithm>

#include "ui/core/attribute_values.h"
#include "ui/core/dpi_scale.h"
#include "ui/core/v_layout.h"

namespace ui {

TreeView::TreeView() : ListBox(std::make_unique<VLayout>()), root_(std::make_unique<TreeNode>()) {
  root_->tree_view_ = this;
  root_->depth_ = -1;
}

TreeView::~TreeView() = default;

void TreeView::SetIndent(int indent) {
  indent_ = std::max(0, indent);
  for (Control* child : children_) {
    if (auto* node = dynamic_cast<TreeNode*>(child)) Indent(node);
  }
}

void TreeView::Indent(TreeNode* node) {
  const int indent = std::max(0, node->depth_) * indent_;
  if (indent == node->applied_indent_) return;
  Rect margin = node->GetMargin();
  margin.left += indent - node->applied_indent_;
  node->applied_indent_ = indent;
  node->SetMargin(margin, false);
}

bool TreeView::Add(Control* control) {
  auto* node = dynamic_cast<TreeNode*>(control);
  return node && root_->AddChildNode(node);
}

bool TreeView::AddAt(Control* control, size_t index) {
  auto* node = dynamic_cast<TreeNode*>(control);
  return node && root_->AddChildNodeAt(node, index);
}

bool TreeView::Remove(Control*) { return false; }

bool TreeView::RemoveAt(size_t) { return false; }

void TreeView::RemoveAll() {}

void TreeView::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"indent") {
    SetIndent(DpiScale::GetInstance().ScaleValue(ParseInt(value.c_str())));
  } else {
    ListBox::SetAttribute(name, value);
  }
}

void TreeView::InsertSubtree(TreeNode* node, size_t index) {
  node->tree_view_ = this;
  Indent(node);
  index = std::min(index, children_.size());
  ListBox::AddAt(node, index);
  size_t next = index + 1;
  for (TreeNode* child : node->child_nodes_) {
    InsertSubtree(child, next);
    next += 1 + child->GetDescendantCount();
  }
}

void TreeView::RemoveSubtree(TreeNode* node) {
  std::vector<TreeNode*> order;
  std::vector<TreeNode*> pending = {node};
  while (!pending.empty()) {
    TreeNode* next = pending.back();
    pending.pop_back();
    order.push_back(next);
    for (auto it = next->child_nodes_.rbegin(); it != next->child_nodes_.rend(); ++it) pending.push_back(*it);
  }
  // Deepest first, each cut loose before the list destroys it.
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    TreeNode* gone = *it;
    gone->child_nodes_.clear();
    gone->parent_node_ = nullptr;
    ListBox::Remove(gone);
  }
}

}  // namespace ui
