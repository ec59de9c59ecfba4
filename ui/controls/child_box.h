#pragma once

#include <string>

#include "ui/core/box.h"

namespace ui {

// A box filled from a layout file of its own when it joins its window. A
// file that cannot be built leaves the box empty; a file that names itself
// stops after a few levels.
class ChildBox : public Box {
 public:
  // How deep boxes built from files may nest inside one another.
  static constexpr int kMaxNesting = 6;

  ChildBox();

  const std::wstring& GetChildLayoutXML() const { return xml_file_; }
  void SetChildLayoutXML(const std::wstring& path) { xml_file_ = path; }

  // Box
  void DoInit() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;

 private:
  std::wstring xml_file_;
  bool filled_ = false;
};

}  // namespace ui
