// The symbol's true shape: a perspective transform from the unit square of the symbol (u across,
// v down) onto the quadrilateral its four corners make in the picture.
#pragma once

#include <array>

#include "pdf417/decoder/decoder.h"

namespace pdf417 {

class Perspective {
 public:
  // Maps (0, 0), (1, 0), (1, 1), (0, 1) onto the corners in that order (top-left, top-right,
  // bottom-right, bottom-left). Corners in a straight line give a transform that is not
  // Valid(); it then maps everything onto the first corner.
  explicit Perspective(const std::array<PointF, 4>& corners);

  bool Valid() const { return valid_; }
  PointF Map(double u, double v) const;
  // The (u, v) of a picture point; Map(Unmap(p)) == p for a valid transform.
  PointF Unmap(const PointF& p) const;

  // The line v = const as x = (ax u + bx) / (g u + h), y = (ay u + by) / (g u + h), so that a
  // line is walked with additions and one division a point.
  struct Line {
    double ax, bx, ay, by, g, h;
  };
  Line LineAt(double v) const { return Line{a_, b_ * v + c_, d_, e_ * v + f_, g_, h_ * v + 1}; }

 private:
  // x = (a u + b v + c) / w, y = (d u + e v + f) / w, w = g u + h v + 1.
  double a_ = 0, b_ = 0, c_ = 0, d_ = 0, e_ = 0, f_ = 0, g_ = 0, h_ = 0;
  bool valid_ = false;
};

}  // namespace pdf417
