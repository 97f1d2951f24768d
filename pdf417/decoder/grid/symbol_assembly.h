// Assembly of a symbol from the rows that were read: the row indicators say how many rows,
// data columns and which error-correction level the symbol has and which row each read row is,
// so a symbol partly outside the picture (rows cut off at its top or bottom) is put together
// with the codewords not seen marked as erasures.
#pragma once

#include <vector>

namespace pdf417 {

// One row as read: the cluster its codewords were read in (0, 1 or 2: symbol row number mod 3),
// its left and right row indicators (-1 when not read) and its data codewords (-1 where not read).
struct ReadRow {
  int cluster = 0;
  int left = -1;
  int right = -1;
  std::vector<int> codewords;
};

// The symbol the indicators describe.
struct AssembledSymbol {
  int rows = 0;
  int columns = 0;
  int level = -1;
  std::vector<int> codewords;  // rows x columns, row by row; -1 where nothing was read
  std::vector<int> erasures;   // the indices of those, ascending
};

// Takes the rows, columns and level each from a strict majority of the indicators that state
// them (the left and right indicators of cluster 0 rows state the rows and columns, of cluster 1
// the level and rows, of cluster 2 the columns and level). Places each read row at the number its
// agreeing indicators give (a row whose indicators disagree, or that two read rows claim, is not
// placed). Returns false when some count has no majority, the counts are no symbol's (3 to 90
// rows, 1 to 30 columns, level 0 to 8), the rows read hold a number of codewords other than the
// columns, or no row is placed.
bool AssembleSymbol(const std::vector<ReadRow>& rows, AssembledSymbol& out);

}  // namespace pdf417
