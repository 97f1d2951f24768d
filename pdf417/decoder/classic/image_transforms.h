// Whole-picture transforms of one-bit pictures and the angle searches by line voting.
#pragma once

#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/budget.h"
#include "pdf417/decoder/classic/bin_bmp.h"

namespace pdf417 {

// Each builds one new matrix. Those that enlarge the picture throw pdf417::Error
// (InvalidArgument) beyond kMaxPictureSide a side or kMaxPictureBytes.
BitMatrix Transpose(const BitMatrix& source);
// Destination (r, c) is source (trunc(r cos - c sin), trunc(r sin + c cos)), light outside: a turn
// about the top-left corner, the size kept.
BitMatrix Rotate(const BitMatrix& source, float degrees);
BitMatrix Resample(const BitMatrix& source, double cosine, double sine);
// Dark where a pixel differs from the one above it; the top row is light.
BitMatrix RowDifference(const BitMatrix& source);
// Exact turns by quarterTurns x 90 degrees clockwise (1, 2, 3); no resampling.
BitMatrix TurnRightAngle(const BitMatrix& source, int quarterTurns);
// Every pixel row twice, so one-pixel symbol rows become two pixels tall.
BitMatrix DoubleRows(const BitMatrix& source);
// A light border of the given width on all four sides.
BitMatrix AddWhiteBorder(const BitMatrix& source, int pixels);

// The angle searches check the budget, when given, as they vote (Budget::Check throws BudgetStop).
float HoughAngle(const BitMatrix& image, float from, float to, float step,
                 const Budget* budget = nullptr);
// How many candidate angles HoughAngle tries: trunc((to - from) / step + 1) in extended precision.
std::int32_t AngleCandidates(float from, float to, float step);
float SearchAngle(const BitMatrix& image, const Budget* budget = nullptr);
// SearchAngle on an edge picture already made (RowDifference of the picture).
float SearchEdgeAngle(const BitMatrix& edges, const Budget* budget = nullptr);
float RefineAngle(const BitMatrix& image, float degrees, const Budget* budget = nullptr);

// The same on BinBMP pictures, read as their white test reads them (binarised, through the
// sampling rotation); each assigns a new one-bit picture to destination, which may be the source.
void Transpose(const BinBMP& source, BinBMP& destination);
void Rotate(const BinBMP& source, BinBMP& destination, float degrees);
void RowDifference(const BinBMP& source, BinBMP& destination);
void TurnRightAngle(const BinBMP& source, BinBMP& destination, int quarterTurns);
void DoubleRows(const BinBMP& source, BinBMP& destination);
void AddWhiteBorder(const BinBMP& source, BinBMP& destination, int pixels);
float HoughAngle(const BinBMP& image, float from, float to, float step);
float SearchAngle(const BinBMP& image);
float RefineAngle(const BinBMP& image, float degrees);

}  // namespace pdf417
