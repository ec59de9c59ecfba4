#pragma once

namespace ui {

class Control;

// Where a virtual list's rows come from: it makes the few element controls
// the list shows and fills them with the data of any index.
class VirtualListDataProvider {
 public:
  virtual ~VirtualListDataProvider() = default;

  // A new element control; the list owns it.
  virtual Control* CreateElement() = 0;
  virtual void FillElement(Control* control, int index) = 0;
  virtual int GetElementCount() = 0;
};

}  // namespace ui
