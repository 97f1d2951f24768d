// Decoding against the peer reader (peer.h) on the same grey pixels held in memory: our
// pdf417::Decode and the peer's ReadBarcode / ReadBarcodes with only PDF417 enabled. Before timing,
// both must give back exactly the encoded bytes (the peer's failures are reported, not timed).
//
// clean/<pose>/<bytes>/<first|all>: symbols of 100 and 1,000 pseudo-random bytes as our encoder
//   draws them by default (2-pixel modules, rows 3 modules tall, a quiet zone of 2 modules):
//   upright; turned by a quarter turn; and tilted: drawn with rows 5 modules tall, magnified three
//   times and turned by 3 degrees (nearest neighbour). "first" stops at the first symbol
//   (maxSymbols 1, the peer's ReadBarcode), "all" looks for every symbol (the default, the peer's
//   ReadBarcodes): what the command line and Python do.
// camera_frame, photo_12mp: the 100-byte symbol on unevenly lit grey paper, turned by 1.5 degrees,
//   in perspective, blurred and noisy; 1600 x 1200 with 3-pixel modules, 4000 x 3000 with 6.
// no_symbol: the camera frame's paper without a symbol, with lines of word-like dark blocks.
// photo_sweep: 40 harsh photo-like pictures of the photo sweep (bench/sweep), each decoded once
//   an iteration; the counter "read" is how many were read to the exact bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench_util.h"
#include "decoder/photo_fixtures.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/symbol.h"
#include "peer.h"

namespace {

using benchutil::Luminance;

std::vector<std::string> Ours(const Luminance& p, bool first) {
  pdf417::ImageView view;
  view.data = p.pixels.data();
  view.width = p.width;
  view.height = p.height;
  pdf417::DecodeOptions options;
  options.maxSymbols = first ? 1 : 0;
  std::vector<std::string> out;
  for (pdf417::DecodeResult& r : pdf417::Decode(view, options)) {
    if (r.ok()) out.push_back(std::move(r.bytes));
  }
  return out;
}

std::vector<std::string> Peer(const Luminance& p, bool first) {
  return peer::Read(p.pixels.data(), p.width, p.height, first);
}

Luminance FromRaster(const pdf417::Raster& raster) {
  Luminance out;
  out.width = raster.width;
  out.height = raster.height;
  out.pixels.resize(raster.pixels.size());
  for (std::size_t i = 0; i < raster.pixels.size(); ++i) out.pixels[i] = raster.pixels[i] ? 0 : 255;
  return out;
}

// Every pixel as a square of factor x factor pixels.
Luminance Magnify(const Luminance& in, int factor) {
  Luminance out;
  out.width = in.width * factor;
  out.height = in.height * factor;
  out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
  for (int r = 0; r < out.height; ++r) {
    for (int c = 0; c < out.width; ++c) {
      out.pixels[static_cast<std::size_t>(r) * out.width + c] = in.at(r / factor, c / factor);
    }
  }
  return out;
}

// Turned counter-clockwise by the given angle about the centre, into a canvas large enough for
// the whole picture plus a white margin; nearest neighbour.
Luminance Tilt(const Luminance& in, double degrees) {
  const double a = degrees * M_PI / 180.0;
  const double cs = std::cos(a);
  const double sn = std::sin(a);
  const int margin = 8;
  Luminance out;
  out.width = static_cast<int>(std::ceil(in.width * cs + in.height * sn)) + 2 * margin;
  out.height = static_cast<int>(std::ceil(in.width * sn + in.height * cs)) + 2 * margin;
  out.pixels.assign(static_cast<std::size_t>(out.width) * out.height, 255);
  for (int r = 0; r < out.height; ++r) {
    for (int c = 0; c < out.width; ++c) {
      const double x = c + 0.5 - out.width / 2.0;
      const double y = r + 0.5 - out.height / 2.0;
      const double sx = cs * x - sn * y + in.width / 2.0;
      const double sy = sn * x + cs * y + in.height / 2.0;
      out.pixels[static_cast<std::size_t>(r) * out.width + c] =
          in.at(static_cast<int>(std::floor(sy)), static_cast<int>(std::floor(sx)));
    }
  }
  return out;
}

enum class Pose { kUpright, kTurned90, kTilted3 };

Luminance CleanSymbol(int length, Pose pose) {
  const std::vector<std::uint8_t> data = benchutil::SampleBytes(length);
  pdf417::SymbolOptions options;
  options.drawing.quarterTurns = pose == Pose::kTurned90 ? 1 : 0;
  if (pose != Pose::kTilted3)
    return FromRaster(pdf417::RasterOf(pdf417::Encode(data.data(), data.size(), options)));
  options.drawing.moduleWidth = 1;
  options.drawing.rowHeight = 5;
  const Luminance drawn =
      FromRaster(pdf417::RasterOf(pdf417::Encode(data.data(), data.size(), options)));
  return Tilt(Magnify(drawn, 3), 3.0);
}

// Camera-like pictures: the 100-byte symbol (10 columns, level 5) on grey paper lit unevenly
// (200 falling to 150 from left to right, ink 50), turned by 1.5 degrees, its right end 10%
// shorter than its left (keystone), blurred by two 3 x 3 box blurs and given a little noise.
struct CameraScene {
  int width;
  int height;
  double module;
  bool symbol;
};

Luminance RenderCamera(const CameraScene& scene) {
  const std::vector<std::uint8_t> data = benchutil::SampleBytes(100);
  const std::vector<std::uint8_t> file =
      pdf417::EncodePdf417ToImage(data.data(), static_cast<int>(data.size()), 10, 5, 3);
  const Luminance symbol = benchutil::OneBitBmpToLuminance(file.data(), file.size());
  Luminance out;
  out.width = scene.width;
  out.height = scene.height;
  out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
  const double hw = symbol.width * scene.module / 2;
  const double hh = symbol.height * scene.module / 2;
  const double keystone = 0.10;
  const double k = keystone / (hw * (2 - keystone));
  const double a = 1.5 * M_PI / 180;
  std::mt19937 rng(7);
  // Without a symbol: lines of word-like blocks, as a page of text.
  std::vector<std::pair<int, int>> words;  // (x, width) for each line, flattened below
  std::vector<int> lineTop;
  std::vector<std::vector<std::pair<int, int>>> lines;
  if (!scene.symbol) {
    for (int y = 60; y + 14 < scene.height - 60; y += 26) {
      lineTop.push_back(y);
      lines.emplace_back();
      for (int x = 80; x < scene.width - 120;) {
        const int w = 12 + static_cast<int>(rng() % 70);
        lines.back().emplace_back(x, w);
        x += w + 8 + static_cast<int>(rng() % 10);
      }
    }
  }
  std::uint32_t noise = 12345;
  for (int y = 0; y < out.height; ++y) {
    const auto line = std::find_if(lineTop.begin(), lineTop.end(),
                                   [y](int top) { return y >= top && y < top + 14; });
    for (int x = 0; x < out.width; ++x) {
      bool dark = false;
      if (scene.symbol) {
        const double px = x + 0.5 - out.width / 2.0;
        const double py = y + 0.5 - out.height / 2.0;
        const double X = std::cos(a) * px - std::sin(a) * py;
        const double Y = std::sin(a) * px + std::cos(a) * py;
        const double den = 1 - k * X;
        const double u = (X / den + hw) / scene.module;
        const double v = (Y / den + hh) / scene.module;
        dark = den > 0 &&
               symbol.at(static_cast<int>(std::floor(v)), static_cast<int>(std::floor(u))) < 128;
      } else if (line != lineTop.end()) {
        for (const auto& [wx, ww] : lines[static_cast<std::size_t>(line - lineTop.begin())]) {
          if (x >= wx && x < wx + ww) dark = true;
        }
      }
      const double paper = 200 - 50.0 * x / out.width;
      noise = noise * 1664525u + 1013904223u;
      const int jitter = static_cast<int>(noise >> 29) - 4;
      out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) +
                 static_cast<std::size_t>(x)] =
          static_cast<std::uint8_t>(std::lround((dark ? 50 : paper) + jitter));
    }
  }
  for (int pass = 0; pass < 2; ++pass) {
    const Luminance in = out;
    for (int y = 0; y < out.height; ++y) {
      for (int x = 0; x < out.width; ++x) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx)
            sum +=
                in.at(std::clamp(y + dy, 0, out.height - 1), std::clamp(x + dx, 0, out.width - 1));
        }
        out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) +
                   static_cast<std::size_t>(x)] = static_cast<std::uint8_t>((sum + 4) / 9);
      }
    }
  }
  return out;
}

std::string Expected(int length) {
  const std::vector<std::uint8_t> data = benchutil::SampleBytes(length);
  return std::string(data.begin(), data.end());
}

using Reader = std::vector<std::string> (*)(const Luminance&, bool);

// Times one reader on one picture; the reader must read `expected` (nothing when empty) first.
void Time(benchmark::State& state, Reader read, const Luminance& picture, bool first,
          const std::string& expected) {
  const std::vector<std::string> symbols = read(picture, first);
  const bool right =
      expected.empty() ? symbols.empty() : symbols.size() == 1 && symbols.front() == expected;
  if (!right) {
    state.SkipWithError(expected.empty() ? "reads a symbol where there is none"
                                         : "does not read the symbol to the encoded bytes");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(read(picture, first));
}

void RegisterBoth(const std::string& name, const Luminance* picture, bool first,
                  const std::string& expected, benchmark::TimeUnit unit) {
  for (const auto& [who, read] : {std::make_pair("ours", static_cast<Reader>(Ours)),
                                  std::make_pair("peer", static_cast<Reader>(Peer))}) {
    benchmark::RegisterBenchmark((name + "/" + who).c_str(), [=](benchmark::State& s) {
      Time(s, read, *picture, first, expected);
    })->Unit(unit);
  }
}

// The photo sweep's pictures, decoded one after the other; reads to the exact bytes counted.
struct Sweep {
  std::vector<Luminance> pictures;
  std::vector<std::string> data;
};

const Sweep& SweepPictures() {
  static const Sweep sweep = [] {
    Sweep s;
    for (int n = 0; n < 40; ++n) {
      std::mt19937 rng(100003u + static_cast<unsigned>(n));
      std::uniform_real_distribution<double> u(0, 1);
      std::string data;
      const int length = 10 + static_cast<int>(150 * u(rng));
      for (int i = 0; i < length; ++i) data.push_back(static_cast<char>(rng() & 255));
      const phototest::ModuleGrid grid = phototest::EncodeGrid(
          data, 2 + static_cast<int>(8 * u(rng)), 2 + static_cast<int>(3 * u(rng)));
      phototest::PhotoConditions c;
      c.module = 1.4 + 2.6 * u(rng);
      c.angle = 360 * u(rng);
      c.keystone = u(rng) < 0.5 ? 0.35 * u(rng) : 0;
      c.blur = 0.4 + 1.6 * u(rng);
      c.ink = 30 + static_cast<int>(80 * u(rng));
      c.paper = c.ink + 60 + static_cast<int>((230 - c.ink - 60) * u(rng));
      c.gradient = 0.6 * u(rng);
      c.shadow = u(rng) < 0.3;
      c.noise = 2 + 12 * u(rng);
      c.clutter = u(rng) < 0.3;
      const pdf417::GreyImage image = phototest::RenderPhoto(grid, c, rng);
      Luminance l;
      l.width = image.width;
      l.height = image.height;
      l.pixels = image.pixels;
      s.pictures.push_back(std::move(l));
      s.data.push_back(std::move(data));
    }
    return s;
  }();
  return sweep;
}

void TimeSweep(benchmark::State& state, Reader read) {
  const Sweep& sweep = SweepPictures();
  int good = 0;
  for (std::size_t i = 0; i < sweep.pictures.size(); ++i) {
    const std::vector<std::string> symbols = read(sweep.pictures[i], false);
    good += std::count(symbols.begin(), symbols.end(), sweep.data[i]) > 0;
  }
  for (auto _ : state) {
    for (const Luminance& p : sweep.pictures) benchmark::DoNotOptimize(read(p, false));
  }
  state.counters["read"] = good;
}

const bool kRegistered = [] {
  static std::vector<std::pair<std::string, Luminance>> pictures;
  pictures.reserve(16);
  for (const auto& [poseName, pose] :
       {std::make_pair("upright", Pose::kUpright), std::make_pair("turned90", Pose::kTurned90),
        std::make_pair("tilted3", Pose::kTilted3)}) {
    for (const int length : {100, 1000}) {
      pictures.emplace_back(std::string("clean/") + poseName + "/" + std::to_string(length),
                            CleanSymbol(length, pose));
      for (const bool first : {true, false}) {
        RegisterBoth(pictures.back().first + (first ? "/first" : "/all"), &pictures.back().second,
                     first, Expected(length), benchmark::kMicrosecond);
      }
    }
  }
  for (const auto& [name, scene] :
       {std::make_pair("camera_frame", CameraScene{1600, 1200, 3.0, true}),
        std::make_pair("photo_12mp", CameraScene{4000, 3000, 6.0, true}),
        std::make_pair("no_symbol", CameraScene{1600, 1200, 3.0, false})}) {
    pictures.emplace_back(name, RenderCamera(scene));
    RegisterBoth(name, &pictures.back().second, false, scene.symbol ? Expected(100) : "",
                 benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("photo_sweep/ours", TimeSweep, static_cast<Reader>(Ours))
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("photo_sweep/peer", TimeSweep, static_cast<Reader>(Peer))
      ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
