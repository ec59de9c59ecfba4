#include "ui/render/matrix_gdiplus.h"

namespace ui {

Matrix_Gdiplus::Matrix_Gdiplus() { gp::GdipCreateMatrix(matrix_.put()); }

void Matrix_Gdiplus::Translate(int offset_x, int offset_y) {
  if (matrix_) {
    gp::GdipTranslateMatrix(matrix_.get(), static_cast<Gdiplus::REAL>(offset_x),
                            static_cast<Gdiplus::REAL>(offset_y), Gdiplus::MatrixOrderPrepend);
  }
}

void Matrix_Gdiplus::Scale(float scale_x, float scale_y) {
  if (matrix_) gp::GdipScaleMatrix(matrix_.get(), scale_x, scale_y, Gdiplus::MatrixOrderPrepend);
}

void Matrix_Gdiplus::Rotate(float angle) {
  if (matrix_) gp::GdipRotateMatrix(matrix_.get(), angle, Gdiplus::MatrixOrderPrepend);
}

void Matrix_Gdiplus::RotateAt(float angle, const Point& center) {
  Translate(center.x, center.y);
  Rotate(angle);
  Translate(-center.x, -center.y);
}

}  // namespace ui
