#include "pdf417/decoder/grid/homography.h"

#include <cmath>

namespace pdf417 {

Perspective::Perspective(const std::array<PointF, 4>& q) {
  const double dx1 = q[1].x - q[2].x;
  const double dx2 = q[3].x - q[2].x;
  const double dx3 = q[0].x - q[1].x + q[2].x - q[3].x;
  const double dy1 = q[1].y - q[2].y;
  const double dy2 = q[3].y - q[2].y;
  const double dy3 = q[0].y - q[1].y + q[2].y - q[3].y;
  const double den = dx1 * dy2 - dx2 * dy1;
  c_ = q[0].x;
  f_ = q[0].y;
  if (std::fabs(den) < 1e-12) return;
  // A parallelogram has dx3 == dy3 == 0 and so g == h == 0: the affine case needs no branch.
  g_ = (dx3 * dy2 - dx2 * dy3) / den;
  h_ = (dx1 * dy3 - dx3 * dy1) / den;
  a_ = q[1].x - q[0].x + g_ * q[1].x;
  b_ = q[3].x - q[0].x + h_ * q[3].x;
  d_ = q[1].y - q[0].y + g_ * q[1].y;
  e_ = q[3].y - q[0].y + h_ * q[3].y;
  // The square must not be folded: w stays positive over it.
  valid_ = 1 + g_ > 0 && 1 + h_ > 0 && 1 + g_ + h_ > 0 && std::fabs(a_ * e_ - b_ * d_) > 1e-9;
}

PointF Perspective::Map(double u, double v) const {
  const double w = g_ * u + h_ * v + 1;
  if (!valid_ || std::fabs(w) < 1e-12) return PointF{c_, f_};
  return PointF{(a_ * u + b_ * v + c_) / w, (d_ * u + e_ * v + f_) / w};
}

PointF Perspective::Unmap(const PointF& p) const {
  // Solves x w = a u + b v + c, y w = d u + e v + f for u and v: two linear equations.
  const double a11 = a_ - g_ * p.x;
  const double a12 = b_ - h_ * p.x;
  const double a21 = d_ - g_ * p.y;
  const double a22 = e_ - h_ * p.y;
  const double r1 = p.x - c_;
  const double r2 = p.y - f_;
  const double det = a11 * a22 - a12 * a21;
  if (!valid_ || std::fabs(det) < 1e-12) return PointF{0, 0};
  return PointF{(r1 * a22 - a12 * r2) / det, (a11 * r2 - a21 * r1) / det};
}

}  // namespace pdf417
