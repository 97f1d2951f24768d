#include "pdf417/decoder/codewords/micro_line.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "pdf417/common/micro_tables.h"

namespace pdf417 {
namespace {

double Length(const Run& r) { return static_cast<double>(r.length); }

// The widths of `count` runs from runs[first].
template <std::size_t N>
std::array<double, N> WidthsAt(const std::vector<Run>& runs, std::size_t first) {
  std::array<double, N> w{};
  for (std::size_t j = 0; j < N; ++j) w[j] = Length(runs[first + j]);
  return w;
}

double Sum(const double* w, std::size_t n) {
  double s = 0;
  for (std::size_t j = 0; j < n; ++j) s += w[j];
  return s;
}

}  // namespace

int ReadRap(const std::array<double, 6>& widths, bool centre, bool openEnd, double* module) {
  // With an open end only the first five elements are measured: the sixth, a space, may have run
  // into a light stretch beyond the pattern (a blank cell after it).
  const std::size_t measured = openEnd ? 5 : 6;
  const double total = Sum(widths.data(), measured);
  if (!(total > 0)) return 0;
  // First a cheap look, which most runs of a picture fail: each element 1 to 5 modules wide by
  // the module its elements imply (10 modules for six, about 8 for the first five).
  const double unit = total / (openEnd ? 8 : kRapModules);
  for (std::size_t j = 0; j < measured; ++j) {
    if (widths[j] < 0.4 * unit || widths[j] > 5.6 * unit) return 0;
  }
  // Sums of neighbouring elements keep their value under ink spread and blur, where single widths
  // do not: rounded, they fix every element once the first is chosen. The first is tried both
  // ways it rounds; the pattern whose sums lie nearest is taken, when it is near enough and
  // clearly the nearest.
  double best = 1e9;
  double second = 1e9;
  int bestRap = 0;
  double bestModule = 0;
  // With an open end, the module depends on the last element's width: each is assumed in turn.
  for (int last = openEnd ? 1 : 0; last <= (openEnd ? 4 : 0); ++last) {
    const double step = total / (kRapModules - last);
    const double x0 = widths[0] / step;
    const int low = static_cast<int>(std::floor(x0));
    for (int first = std::max(low, 1); first <= low + 1; ++first) {
      // The elements, in modules, by the first and the rounded sums at this module.
      std::array<int, 6> e{};
      e[0] = first;
      int sum = first;
      bool valid = true;
      for (std::size_t j = 1; j < measured && valid; ++j) {
        // Rounded to the nearest whole module (the sum is positive: truncating it plus a half).
        e[j] = static_cast<int>((widths[j - 1] + widths[j]) / step + 0.5) - e[j - 1];
        valid = e[j] >= 1 && e[j] <= 5;
        sum += e[j];
      }
      if (openEnd) {
        e[5] = kRapModules - sum;
        sum = kRapModules;
      }
      if (!valid || sum != kRapModules || e[5] < 1 || (openEnd && e[5] != last)) continue;
      std::uint32_t pattern = 0;
      for (std::size_t j = 0; j < 6; ++j) {
        pattern = (pattern << e[j]) | (j % 2 == 0 ? (1u << e[j]) - 1 : 0u);
      }
      const int rap = centre ? CentreRapOfPattern(pattern) : SideRapOfPattern(pattern);
      if (rap == 0) continue;
      const double scale = (openEnd ? kRapModules - e[5] : kRapModules) / total;
      double error = 0;
      bool near = !openEnd || widths[5] * scale > e[5] - 0.7;
      for (std::size_t j = 0; j < measured && near; ++j) {
        if (std::fabs(widths[j] * scale - e[j]) > 0.7) near = false;
        if (j + 1 < measured) {
          const double pair = std::fabs((widths[j] + widths[j + 1]) * scale - e[j] - e[j + 1]);
          if (pair > 0.75) near = false;
          error += pair;
        }
      }
      if (!near) continue;
      if (error < best) {
        second = best;
        best = error;
        bestRap = rap;
        bestModule = 1 / scale;
      } else if (rap != bestRap) {
        second = std::min(second, error);
      }
    }
  }
  if (bestRap == 0 || second <= best + 0.3) return 0;
  if (module != nullptr) *module = bestModule;
  return bestRap;
}

void ReadMicroLine(const std::vector<Run>& runs, std::vector<MicroLine>& rows,
                   const std::vector<Span>& skip) {
  const std::size_t n = runs.size();
  for (std::size_t i = 0; i + 6 < n; ++i) {
    // A left RAP's first bar is two modules or more: at least two samples.
    if (!runs[i].dark || runs[i].length < 2) continue;
    if (std::any_of(skip.begin(), skip.end(), [&runs, i](const Span& s) {
          return runs[i].begin >= s.begin && runs[i].begin < s.end;
        })) {
      continue;
    }
    const std::array<double, 6> left = WidthsAt<6>(runs, i);
    double m = Sum(left.data(), 5) / 8;  // about: the first five elements are 7 to 9 modules
    // A light stretch of about a module or more before the left RAP (the line's first run stands
    // at the picture's edge).
    // Every left RAP begins with a bar of two modules or more.
    if (m < 0.4 || Length(runs[i]) < 1.4 * m || (i > 0 && Length(runs[i - 1]) < 0.6 * m)) {
      continue;
    }
    int leftRap = ReadRap(left, false, false, &m);
    if (leftRap == 0 && Length(runs[i + 5]) > 3 * m) leftRap = ReadRap(left, false, true, &m);
    if (leftRap == 0 || (i > 0 && Length(runs[i - 1]) < 0.7 * m)) continue;
    const double begin = runs[i].begin;
    // The row's end: a right RAP, a bar of about a module and a light stretch, one of the four
    // row widths from the beginning. The farthest such end is the row's: bars inside a row can
    // look like one, none lies beyond it.
    std::size_t stop = 0;
    int columns = 0;
    const double reach = begin + 1.25 * MicroRowWidth(kMicroMaxColumns) * m;
    for (std::size_t j = i + 12; j < n && runs[j].begin <= reach; j += 2) {
      const Run& bar = runs[j];
      if (!bar.dark || Length(bar) < 0.3 * m || Length(bar) > 2.2 * m) continue;
      if (j + 1 < n && Length(runs[j + 1]) < 0.7 * m) continue;
      const double modules = (bar.begin + bar.length - begin) / m;
      for (int c = 1; c <= kMicroMaxColumns; ++c) {
        const double width = MicroRowWidth(c);
        const double error = std::fabs(modules - width) / width;
        if (error > 0.09) continue;
        if (ReadRap(WidthsAt<6>(runs, j - 6), false) == 0) continue;
        stop = j;
        columns = c;
      }
    }
    if (columns == 0) continue;
    MicroLine row;
    row.begin = begin;
    row.end = runs[stop].begin + runs[stop].length;
    row.columns = columns;
    row.module = (row.end - row.begin) / MicroRowWidth(columns);
    row.leftRap = leftRap;
    row.rightRap = ReadRap(WidthsAt<6>(runs, stop - 6), false);
    row.cells.assign(static_cast<std::size_t>(columns), EdgeReading{});
    const double mm = row.module;
    // The cells and the centre RAP in order, each looked for at the first bar beginning near
    // where the one before ended (or where the grid puts it, when that one was not read).
    const std::size_t last = stop - 6;  // the right RAP's first run: nothing inside reaches it
    std::size_t k = i + 6;
    double at = begin + kRapModules * m;
    const int centreBefore = MicroCentreBefore(columns);
    int blank = 0;  // cells where no bar begins: blank, not misread
    for (int c = 0; c < columns; ++c) {
      const bool centre = c == centreBefore;
      for (int part = centre ? 0 : 1; part < 2; ++part) {
        const bool rap = part == 0;
        const std::size_t count = rap ? 6 : 8;
        const double modules = rap ? kRapModules : 17;
        std::size_t found = n;
        double nearest = 2.5 * mm;
        for (std::size_t kk = k; kk < last && runs[kk].begin <= at + 2.5 * mm; ++kk) {
          if (!runs[kk].dark) continue;
          const double d = std::fabs(runs[kk].begin - at);
          if (d < nearest) {
            nearest = d;
            found = kk;
          }
        }
        bool read = false;
        bool runsOn = false;
        if (found < n && found + count <= last) {
          double total = 0;
          for (std::size_t j = 0; j < count; ++j) total += Length(runs[found + j]);
          // The last element is a space: where a blank cell follows it runs on into that cell,
          // and the grid gives its end instead.
          const double open = total - Length(runs[found + count - 1]);
          runsOn = total > 1.25 * modules * mm && open < (modules - 0.5) * mm &&
                   std::fabs(open - (modules - 2.5) * mm) <= 0.25 * modules * mm;
          if (runsOn) total = modules * mm;
          if (std::fabs(total - modules * mm) <= 0.25 * modules * mm) {
            if (rap) {
              row.centreRap = ReadRap(WidthsAt<6>(runs, found), true, runsOn);
              read = row.centreRap != 0;
            } else {
              std::array<double, 8> widths = WidthsAt<8>(runs, found);
              if (runsOn) widths[7] = modules * mm - open;
              const EdgeReading r = ReadCodewordByEdges(widths);
              row.cells[static_cast<std::size_t>(c)] = r;
              read = r.codeword >= 0;
            }
          }
        }
        blank += !rap && found == n;
        if (read) {
          // Beyond a space that ran on, the cell it ran into is looked for where the grid puts it.
          k = found + count - (runsOn ? 1 : 0);
          at = runsOn ? runs[found].begin + modules * mm : runs[k].begin;
        } else {
          at += modules * mm;
        }
      }
    }
    // Bars that only looked like the ends of a row read few cells: such a row is dropped and the
    // line searched on from the next run. A row that reads as one is passed over whole; one that
    // reads only with its blank cells is kept, but the search goes on inside it (a row wrongly
    // found may span the beginning of a true one).
    int read = 0;
    for (const EdgeReading& cell : row.cells) read += cell.codeword >= 0;
    const bool centreRead = columns < 3 || row.centreRap != 0;
    if (2 * (read + blank) < columns || (!centreRead && blank == 0)) continue;
    const bool sound = 2 * read >= columns && centreRead;
    rows.push_back(std::move(row));
    if (sound) i = stop;
  }
}

}  // namespace pdf417
