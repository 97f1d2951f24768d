// Symbol geometry: finding the start pattern and correcting the picture's orientation and skew.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pdf417/common/linked_list.h"
#include "pdf417/decoder/bin_bmp.h"
#include "pdf417/decoder/budget.h"

namespace pdf417 {

class ImageAmend {
 public:
  explicit ImageAmend(const BinBMP& source) : image(source) {}

  // Finds the start pattern (transposing the picture when needed) and straightens the picture.
  // With a budget, stops with BudgetStop between its steps and within the angle searches.
  void CorrectSkew(const Budget* budget = nullptr);

  BinBMP image;
  float skewAngle = 0.0f;  // degrees, found by the last CorrectSkew
  // Whether the last CorrectSkew left the picture as it was given (apart from binarizing it): the
  // start pattern was found without turning the picture over its diagonal, and no skew above
  // the tolerance was corrected.
  bool untouched = true;
};

// Looks for the start pattern along a pixel row; on success col is where its first bar begins.
bool FindStartPattern(const BinBMP& image, std::int32_t row, std::int32_t& col);

// Looks for the start pattern along a pixel row, drawn with modules of any width of at least 0.9
// pixels (a fractional width gives its elements uneven pixel widths); on success col is where
// its first bar begins.
bool FindStartPatternLoosely(const BinBMP& image, std::int32_t row, std::int32_t& col);

// Whether one of the rows that CorrectSkew probes holds the start pattern, loosely.
bool ShowsStartPatternLoosely(const BinBMP& image);

// Scales eight measured widths (bar first) to module counts that sum to 17, in place.
void NormalizeWidths(std::array<std::int32_t, 8>& widths);

// Skew of the start pattern's left edge through (row, col), in degrees.
float EstimateEdgeAngle(const BinBMP& image, std::int32_t row, std::int32_t col);

// Least-squares line y = intercept + slope * x through the points; false when it is singular.
bool FitLine(LinkedList<float>& xs, LinkedList<float>& ys, float& slope, float& intercept);

// Solves the n x (n + 1) augmented system in place; false when a pivot is (nearly) zero.
bool SolveLinear(int n, std::vector<std::vector<float>>& matrix, std::vector<float>& solution);

}  // namespace pdf417
