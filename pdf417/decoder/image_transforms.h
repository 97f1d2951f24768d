// Whole-picture transforms of 1-bit pictures and the angle searches by line voting.
#pragma once

#include "pdf417/decoder/bin_bmp.h"
#include "pdf417/decoder/budget.h"

namespace pdf417 {

// Each builds a new 1-bit picture and assigns it to destination, which may be the source.
void Transpose(const BinBMP& source, BinBMP& destination);
void Rotate(const BinBMP& source, BinBMP& destination, float degrees);
void RowDifference(const BinBMP& source, BinBMP& destination);

// Exact turns by quarterTurns x 90 degrees clockwise (1, 2, 3); no resampling.
void TurnRightAngle(const BinBMP& source, BinBMP& destination, int quarterTurns);
// Every pixel row twice, so one-pixel symbol rows become two pixels tall.
void DoubleRows(const BinBMP& source, BinBMP& destination);
// A white border of the given width on all four sides.
void AddWhiteBorder(const BinBMP& source, BinBMP& destination, int pixels);

// The angle searches check the budget, when given, as they vote (Budget::Check throws).
float HoughAngle(const BinBMP& image, float from, float to, float step,
                 const Budget* budget = nullptr);
// How many candidate angles HoughAngle tries: trunc((to - from) / step + 1) in extended precision.
std::int32_t AngleCandidates(float from, float to, float step);
float SearchAngle(const BinBMP& image, const Budget* budget = nullptr);
float RefineAngle(const BinBMP& image, float degrees, const Budget* budget = nullptr);

}  // namespace pdf417
