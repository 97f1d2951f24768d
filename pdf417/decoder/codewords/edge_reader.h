// Reading one codeword by its edges: the distances from each bar's leading edge to the next
// space's leading edge and from each space's to the next bar's (six sums of neighbouring
// elements), scaled to the codeword's 17 modules. Ink spread and blur move both edges of a bar
// the same way, so these sums keep their value where single bar widths do not.
#pragma once

#include <array>

namespace pdf417 {

// What one reading of a codeword gave.
struct EdgeReading {
  int codeword = -1;  // 0..928, or -1 when the widths fit no pattern
  int cluster = -1;   // cluster index 0, 1, 2 (cluster number 0, 3, 6)
};

// Classifies the widths of one codeword's four bars and four spaces (bar first, any unit, in
// reading order). Widths that do not round to a pattern of the table, or that fit two patterns
// equally, give codeword -1.
EdgeReading ReadCodewordByEdges(const std::array<double, 8>& widths);

// The codeword of eight widths already counted in modules (bar first, summing to 17): the pattern
// they spell, looked up in the table of the cluster their bars give; codeword -1 when they spell
// none.
EdgeReading ReadCodewordByModules(const std::array<int, 8>& widths);

}  // namespace pdf417
