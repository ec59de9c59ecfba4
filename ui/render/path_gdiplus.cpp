#include "ui/render/path_gdiplus.h"

#include <vector>

#include "ui/render/matrix_gdiplus.h"
#include "ui/render/pen_gdiplus.h"

namespace ui {

namespace {

// Point and GpPoint are both two 32-bit integers, but only the layout of
// POINT is ours to rely on, so the points are copied.
std::vector<Gdiplus::GpPoint> ToGpPoints(const Point* points, int count) {
  std::vector<Gdiplus::GpPoint> out;
  if (!points || count <= 0) return out;
  out.reserve(count);
  for (int i = 0; i < count; ++i) out.push_back(Gdiplus::GpPoint(points[i].x, points[i].y));
  return out;
}

Gdiplus::GpPen* PenOf(const IPen* pen) {
  const Pen_GdiPlus* gdiplus_pen = dynamic_cast<const Pen_GdiPlus*>(pen);
  return gdiplus_pen ? gdiplus_pen->GetPen() : nullptr;
}

}  // namespace

Path_Gdiplus::Path_Gdiplus() { gp::GdipCreatePath(Gdiplus::FillModeAlternate, path_.put()); }

Path_Gdiplus::Path_Gdiplus(const Path_Gdiplus& other) : IPath(other) {
  if (other.path_) gp::GdipClonePath(other.path_.get(), path_.put());
}

std::unique_ptr<IPath> Path_Gdiplus::Clone() const { return std::make_unique<Path_Gdiplus>(*this); }

void Path_Gdiplus::Reset() {
  if (path_) gp::GdipResetPath(path_.get());
}

void Path_Gdiplus::SetFillMode(FillMode mode) {
  if (path_) gp::GdipSetPathFillMode(path_.get(), static_cast<Gdiplus::FillMode>(mode));
}

IPath::FillMode Path_Gdiplus::GetFillMode() const {
  Gdiplus::FillMode mode = Gdiplus::FillModeAlternate;
  if (path_) gp::GdipGetPathFillMode(path_.get(), &mode);
  return static_cast<FillMode>(mode);
}

void Path_Gdiplus::StartFigure() {
  if (path_) gp::GdipStartPathFigure(path_.get());
}

void Path_Gdiplus::CloseFigure() {
  if (path_) gp::GdipClosePathFigure(path_.get());
}

void Path_Gdiplus::AddLine(int x1, int y1, int x2, int y2) {
  if (path_) gp::GdipAddPathLineI(path_.get(), x1, y1, x2, y2);
}

void Path_Gdiplus::AddLines(const Point* points, int count) {
  std::vector<Gdiplus::GpPoint> copy = ToGpPoints(points, count);
  if (path_ && !copy.empty()) gp::GdipAddPathLine2I(path_.get(), copy.data(), static_cast<INT>(copy.size()));
}

void Path_Gdiplus::AddBezier(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  if (path_) gp::GdipAddPathBezierI(path_.get(), x1, y1, x2, y2, x3, y3, x4, y4);
}

void Path_Gdiplus::AddCurve(const Point* points, int count) {
  std::vector<Gdiplus::GpPoint> copy = ToGpPoints(points, count);
  if (path_ && !copy.empty()) gp::GdipAddPathCurveI(path_.get(), copy.data(), static_cast<INT>(copy.size()));
}

void Path_Gdiplus::AddRect(const Rect& rect) { AddRect(rect.left, rect.top, rect.right, rect.bottom); }

void Path_Gdiplus::AddRect(int left, int top, int right, int bottom) {
  if (path_) gp::GdipAddPathRectangleI(path_.get(), left, top, right - left, bottom - top);
}

void Path_Gdiplus::AddEllipse(const Rect& rect) { AddEllipse(rect.left, rect.top, rect.right, rect.bottom); }

void Path_Gdiplus::AddEllipse(int left, int top, int right, int bottom) {
  if (path_) gp::GdipAddPathEllipseI(path_.get(), left, top, right - left, bottom - top);
}

void Path_Gdiplus::AddArc(int x, int y, int width, int height, float start_angle, float sweep_angle) {
  if (path_) gp::GdipAddPathArcI(path_.get(), x, y, width, height, start_angle, sweep_angle);
}

void Path_Gdiplus::AddPie(int x, int y, int width, int height, float start_angle, float sweep_angle) {
  if (path_) gp::GdipAddPathPieI(path_.get(), x, y, width, height, start_angle, sweep_angle);
}

void Path_Gdiplus::AddPolygon(const Point* points, int count) {
  std::vector<Gdiplus::GpPoint> copy = ToGpPoints(points, count);
  if (path_ && !copy.empty()) gp::GdipAddPathPolygonI(path_.get(), copy.data(), static_cast<INT>(copy.size()));
}

Rect Path_Gdiplus::GetBounds(const IPen* pen) const {
  Gdiplus::GpRectF bounds(0, 0, 0, 0);
  if (!path_ || gp::GdipGetPathWorldBounds(path_.get(), &bounds, nullptr, PenOf(pen)) != Gdiplus::Ok) return Rect();
  return Rect(static_cast<int>(bounds.X), static_cast<int>(bounds.Y), static_cast<int>(bounds.X + bounds.Width),
              static_cast<int>(bounds.Y + bounds.Height));
}

bool Path_Gdiplus::ContainsPoint(int x, int y) const {
  BOOL inside = FALSE;
  if (path_) gp::GdipIsVisiblePathPointI(path_.get(), x, y, nullptr, &inside);
  return inside != FALSE;
}

bool Path_Gdiplus::StrokeContainsPoint(int x, int y, const IPen* pen) const {
  Gdiplus::GpPen* native_pen = PenOf(pen);
  BOOL inside = FALSE;
  if (path_ && native_pen) gp::GdipIsOutlineVisiblePathPointI(path_.get(), x, y, native_pen, nullptr, &inside);
  return inside != FALSE;
}

void Path_Gdiplus::Transform(const IMatrix* matrix) {
  const Matrix_Gdiplus* gdiplus_matrix = dynamic_cast<const Matrix_Gdiplus*>(matrix);
  if (path_ && gdiplus_matrix && gdiplus_matrix->GetMatrix()) {
    gp::GdipTransformPath(path_.get(), gdiplus_matrix->GetMatrix());
  }
}

}  // namespace ui
