// Symbol geometry: finding the start pattern and correcting the picture's orientation and skew.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pdf417/common/linked_list.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/budget.h"
#include "pdf417/decoder/decoder.h"

namespace pdf417 {

// Straightens one picture. It reads the matrix it is given (which must outlive it) and makes a new
// matrix only when it changes the picture: turned over its diagonal, rotated, or both.
class ImageAmend {
 public:
  explicit ImageAmend(const BitMatrix& source) : source_(&source) {}
  explicit ImageAmend(BitMatrix&&) = delete;  // would outlive its picture
  ImageAmend(const ImageAmend&) = delete;
  ImageAmend& operator=(const ImageAmend&) = delete;

  // Finds the start pattern (transposing the picture when needed) and straightens the picture.
  // Without a start pattern either way, the transposed picture is turned by the angle of its
  // dominant edges, and its edge picture is turned with it. With a budget, stops with BudgetStop
  // between its steps and within the angle searches.
  void CorrectSkew(const Budget* budget = nullptr);

  // The straightened picture: the source itself while untouched.
  const BitMatrix& Image() const { return untouched ? *source_ : image_; }
  // The edge picture (RowDifference) to locate rows by, when straightening made it along the way
  // (the edges of the picture before a turn by the dominant edges' angle, turned with it); null
  // when the row changes of Image() itself serve.
  const BitMatrix* Edges() const { return edges_.Empty() ? nullptr : &edges_; }

  // Where a point of Image() lies in the picture given: the straightening undone.
  PointF ToSource(PointF p) const;

  float skewAngle = 0.0f;  // degrees, found by the last CorrectSkew
  // Whether the last CorrectSkew left the picture as it was given: the start pattern was found
  // without turning the picture over its diagonal, and no skew above the tolerance was corrected.
  bool untouched = true;

 private:
  const BitMatrix* source_;
  BitMatrix image_;
  BitMatrix edges_;
  bool transposed_ = false;  // turned over its diagonal
  bool rotated_ = false;     // then turned by skewAngle
};

// Looks for the start pattern along a pixel row; on success col is where its first bar begins.
bool FindStartPattern(const BitMatrix& image, std::int32_t row, std::int32_t& col);

// Looks for the start pattern along a pixel row, drawn with modules of any width of at least 0.9
// pixels (a fractional width gives its elements uneven pixel widths); on success col is where
// its first bar begins.
bool FindStartPatternLoosely(const BitMatrix& image, std::int32_t row, std::int32_t& col);

// Whether one of the rows that CorrectSkew probes holds the start pattern, loosely.
bool ShowsStartPatternLoosely(const BitMatrix& image);

// Whether CorrectSkew would find the start pattern on a row of the picture as it is and then
// turn the picture, its estimate of the skew being above the tolerance.
bool ShowsSkewedStartPattern(const BitMatrix& image);

// Whether the picture shows an upright start pattern next to symbol rows at most two pixels
// tall, judged by the vertical runs in the codeword columns after it.
bool ShowsThinRows(const BitMatrix& image);

// Scales eight measured widths (bar first) to module counts that sum to 17, in place.
void NormalizeWidths(std::array<std::int32_t, 8>& widths);

// Skew of the start pattern's left edge through (row, col), in degrees.
float EstimateEdgeAngle(const BitMatrix& image, std::int32_t row, std::int32_t col);

// Least-squares line y = intercept + slope * x through the points; false when it is singular.
bool FitLine(LinkedList<float>& xs, LinkedList<float>& ys, float& slope, float& intercept);

// Solves the n x (n + 1) augmented system in place; false when a pivot is (nearly) zero.
bool SolveLinear(int n, std::vector<std::vector<float>>& matrix, std::vector<float>& solution);

}  // namespace pdf417
