#pragma once

#include "ui/render/render_interface.h"

namespace ui {

class RenderFactory_GdiPlus : public IRenderFactory {
 public:
  std::unique_ptr<IPen> CreatePen(uint32_t argb, int width = 1) override;
  std::unique_ptr<IPen> CreateGradientPen(const Rect& box, uint32_t top_argb, uint32_t bottom_argb,
                                          const float* blend_factors, const float* blend_positions, int blend_count,
                                          int width) override;
  std::unique_ptr<IBrush> CreateBrush(HBITMAP bitmap) override;
  std::unique_ptr<IBrush> CreateBrush(uint32_t argb) override;
  std::unique_ptr<IMatrix> CreateMatrix() override;
  std::unique_ptr<IPath> CreatePath() override;
  std::unique_ptr<IBitmap> CreateBitmap() override;
  std::unique_ptr<IRenderContext> CreateRenderContext() override;
};

}  // namespace ui
