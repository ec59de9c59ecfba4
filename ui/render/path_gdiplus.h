#pragma once

#include "ui/render/gdiplus_flat.h"
#include "ui/render/render_interface.h"

namespace ui {

class Path_Gdiplus : public IPath {
 public:
  Path_Gdiplus();
  Path_Gdiplus(const Path_Gdiplus& other);

  std::unique_ptr<IPath> Clone() const override;
  void Reset() override;
  void SetFillMode(FillMode mode) override;
  FillMode GetFillMode() const override;
  void StartFigure() override;
  void CloseFigure() override;
  void AddLine(int x1, int y1, int x2, int y2) override;
  void AddLines(const Point* points, int count) override;
  void AddBezier(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void AddCurve(const Point* points, int count) override;
  void AddRect(const Rect& rect) override;
  void AddRect(int left, int top, int right, int bottom) override;
  void AddEllipse(const Rect& rect) override;
  void AddEllipse(int left, int top, int right, int bottom) override;
  void AddArc(int x, int y, int width, int height, float start_angle, float sweep_angle) override;
  void AddPie(int x, int y, int width, int height, float start_angle, float sweep_angle) override;
  void AddPolygon(const Point* points, int count) override;
  Rect GetBounds(const IPen* pen) const override;
  bool ContainsPoint(int x, int y) const override;
  bool StrokeContainsPoint(int x, int y, const IPen* pen) const override;
  void Transform(const IMatrix* matrix) override;

  Gdiplus::GpPath* GetPath() const { return path_.get(); }

 private:
  UniqueGpPath path_;
};

}  // namespace ui
