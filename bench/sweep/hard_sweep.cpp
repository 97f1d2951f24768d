// The sweep of hard picture classes (hard_classes.h): per class, a ladder of pictures from hard to
// harder, read by ours (pdf417::Decode of the pixels, default options) and by the peer (peer.h,
// PDF417 only, its defaults), counting exact reads, other bytes, and the CPU time a picture takes;
// then negatives, which must give nothing. No picture is kept: the set is a seed.
//   pdf417_hard_sweep [--count N=10] [--negatives N=20] [--seed S=1] [--tsv]
//   pdf417_hard_sweep --samples DIR [--per-class K=2]   (writes NAME.png and NAME.bin)
// --only SLUG keeps one class (e.g. faded-thermal); --dump DIR writes every picture the sweep
// draws as DIR/SLUG-N.png with its bytes in .bin, to look at what a class loses.
// bench/hard_sweep.sh runs the two builds (zxing-cpp 3 and 1.4) and puts their columns together.
#include <png.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "pdf417/decoder/decoder.h"
#include "peer.h"
#include "sweep/hard_classes.h"

namespace {

using hardsweep::HardClass;
using hardsweep::HardPicture;

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Reading {
  std::vector<std::string> symbols;
  double ms = 0;
};

Reading Ours(const pdf417::GreyImage& image) {
  pdf417::ImageView view;
  view.data = image.pixels.data();
  view.width = image.width;
  view.height = image.height;
  Reading r;
  const double start = CpuMs();
  const std::vector<pdf417::DecodeResult> results = pdf417::Decode(view);
  r.ms = CpuMs() - start;
  for (const pdf417::DecodeResult& d : results) {
    if (d.ok()) r.symbols.push_back(d.bytes);
  }
  return r;
}

Reading Peer(const pdf417::GreyImage& image) {
  Reading r;
  const double start = CpuMs();
  r.symbols = peer::Read(image.pixels.data(), image.width, image.height, false);
  r.ms = CpuMs() - start;
  return r;
}

struct Tally {
  int read = 0;   // the picture's bytes among the symbols
  int wrong = 0;  // any other bytes (for a negative: anything at all)
  std::vector<double> ms;
  void Add(const Reading& r, const std::string& expected) {
    ms.push_back(r.ms);
    bool found = false, other = false;
    for (const std::string& s : r.symbols) (s == expected ? found : other) = true;
    read += found;
    wrong += other;
  }
  double GeoMean() const {
    double log = 0;
    for (double m : ms) log += std::log(std::max(m, 0.01));
    return ms.empty() ? 0 : std::exp(log / static_cast<double>(ms.size()));
  }
  double Median() const {
    if (ms.empty()) return 0;
    std::vector<double> v = ms;
    std::sort(v.begin(), v.end());
    const std::size_t h = v.size() / 2;
    return v.size() % 2 ? v[h] : (v[h - 1] + v[h]) / 2;
  }
};

double Severity(int n, int count) { return count > 1 ? static_cast<double>(n) / (count - 1) : 0.5; }

bool WritePng(const pdf417::GreyImage& image, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, image.pixels.data() +
                           static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

// A few pictures of each class at moderate severity (seed 1000 + the class, apart from the
// sweep's), and negatives, as sample files; says which ours reads.
int WriteSamples(const std::string& dir, int perClass) {
  auto save = [&dir](const HardPicture& p, const std::string& name) {
    if (!WritePng(p.image, dir + "/" + name + ".png")) return false;
    if (!p.data.empty()) {
      std::ofstream(dir + "/" + name + ".bin", std::ios::binary) << p.data;
    }
    const Reading r = Ours(p.image);
    const bool read =
        p.data.empty() ? r.symbols.empty()
                       : std::find(r.symbols.begin(), r.symbols.end(), p.data) != r.symbols.end();
    const bool wrong = std::any_of(r.symbols.begin(), r.symbols.end(),
                                   [&p](const std::string& s) { return s != p.data; });
    std::printf("%-32s %-5s %s %s\n", name.c_str(), read ? "read" : "miss", wrong ? "WRONG" : "",
                p.note.c_str());
    return true;
  };
  for (const HardClass c : hardsweep::kSymbolClasses) {
    for (int k = 0; k < perClass; ++k) {
      const double severity = perClass > 1 ? 0.25 + 0.4 * k / (perClass - 1) : 0.4;
      const HardPicture p = hardsweep::MakeHardPicture(c, k, severity, 1000);
      if (!save(p, std::string(hardsweep::ClassSlug(c)) + "-" + std::to_string(k + 1))) return 1;
    }
  }
  for (int k = 0; k < perClass; ++k) {
    // Every other negative has distractors; take the busiest kinds.
    const int n = k % 2 == 0 ? 11 : 2 * k + 1;
    const HardPicture p = hardsweep::MakeHardPicture(HardClass::Negative, n, 0.5, 1000);
    if (!save(p, "negative-" + std::to_string(k + 1))) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 10, negatives = 20, perClass = 2;
  unsigned seed = 1;
  bool tsv = false;
  std::string samples, only, dump;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool more = i + 1 < argc;
    if (a == "--count" && more) {
      count = std::atoi(argv[++i]);
    } else if (a == "--negatives" && more) {
      negatives = std::atoi(argv[++i]);
    } else if (a == "--seed" && more) {
      seed = static_cast<unsigned>(std::atoi(argv[++i]));
    } else if (a == "--samples" && more) {
      samples = argv[++i];
    } else if (a == "--per-class" && more) {
      perClass = std::atoi(argv[++i]);
    } else if (a == "--only" && more) {
      only = argv[++i];
    } else if (a == "--dump" && more) {
      dump = argv[++i];
    } else if (a == "--tsv") {
      tsv = true;
    } else {
      std::fprintf(
          stderr,
          "usage: %s [--count N] [--negatives N] [--seed S] [--only SLUG] [--dump DIR] [--tsv]\n"
          "       %s --samples DIR [--per-class K]\n",
          argv[0], argv[0]);
      return 2;
    }
  }
  if (!samples.empty()) return WriteSamples(samples, perClass);

  if (tsv) {
    std::printf(
        "class\tpictures\tours_read\tours_wrong\tpeer_read\tpeer_wrong\tours_gmean_ms\t"
        "ours_median_ms\tpeer_gmean_ms\tpeer_median_ms\n");
  } else {
    std::printf("%s, %d pictures a class (severity 0 to 1), %d negatives, seed %u\n", peer::Name(),
                count, negatives, seed);
    std::printf("%-18s %4s | %5s %5s | %5s %5s | %15s | %15s\n", "class", "pics", "ours", "wrong",
                "peer", "wrong", "ours ms gm/med", "peer ms gm/med");
  }
  Tally allOurs, allPeer;
  int all = 0;
  auto row = [&](const char* name, int pictures, const Tally& o, const Tally& p) {
    if (tsv) {
      std::printf("%s\t%d\t%d\t%d\t%d\t%d\t%.1f\t%.1f\t%.1f\t%.1f\n", name, pictures, o.read,
                  o.wrong, p.read, p.wrong, o.GeoMean(), o.Median(), p.GeoMean(), p.Median());
    } else {
      std::printf("%-18s %4d | %5d %5d | %5d %5d | %7.1f %7.1f | %7.1f %7.1f\n", name, pictures,
                  o.read, o.wrong, p.read, p.wrong, o.GeoMean(), o.Median(), p.GeoMean(),
                  p.Median());
    }
    std::fflush(stdout);
  };
  for (const HardClass c : hardsweep::kSymbolClasses) {
    if (!only.empty() && only != hardsweep::ClassSlug(c)) continue;
    Tally ours, peer;
    for (int n = 0; n < count; ++n) {
      const HardPicture p = hardsweep::MakeHardPicture(c, n, Severity(n, count), seed);
      if (!dump.empty()) {
        const std::string name = dump + "/" + hardsweep::ClassSlug(c) + "-" + std::to_string(n);
        WritePng(p.image, name + ".png");
        std::ofstream(name + ".bin", std::ios::binary) << p.data;
      }
      for (Tally* t : {&ours, &allOurs}) t->Add(Ours(p.image), p.data);
      const Reading theirs = Peer(p.image);
      peer.Add(theirs, p.data);
      allPeer.Add(theirs, p.data);
    }
    all += count;
    row(hardsweep::ClassName(c), count, ours, peer);
  }
  row("all classes", all, allOurs, allPeer);
  // Negatives: "read" counts nothing; wrong counts pictures that gave anything.
  Tally ours, peer;
  for (int n = 0; n < negatives; ++n) {
    const HardPicture p =
        hardsweep::MakeHardPicture(HardClass::Negative, n, Severity(n, negatives), seed);
    ours.Add(Ours(p.image), std::string());
    peer.Add(Peer(p.image), std::string());
  }
  // An empty expected string never matches a symbol, so every symbol counts as other bytes.
  row("negatives (gave)", negatives, ours, peer);
  return allOurs.wrong == 0 && ours.wrong == 0 ? 0 : 1;
}
