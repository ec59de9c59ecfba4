#pragma once

#include "ui/render/gdiplus_flat.h"
#include "ui/render/render_interface.h"

namespace ui {

class Matrix_Gdiplus : public IMatrix {
 public:
  Matrix_Gdiplus();

  void Translate(int offset_x, int offset_y) override;
  void Scale(float scale_x, float scale_y) override;
  void Rotate(float angle) override;
  void RotateAt(float angle, const Point& center) override;

  Gdiplus::GpMatrix* GetMatrix() const { return matrix_.get(); }

 private:
  UniqueGpMatrix matrix_;
};

}  // namespace ui
