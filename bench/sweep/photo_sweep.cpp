// A sweep over photo-like pictures in harsh conditions drawn at random: modules of 1.4 to 4
// pixels, any angle, keystone up to 35% on half of them, blur of 0.4 to 2 pixels, ink 30 to 110
// on paper at least 60 lighter, light falling by up to 60%, shadows, noise, clutter, a defaced
// pattern or a covered corner on some, JPEG of quality 30 to 80 on some. It counts how many each
// decoder reads back exactly (and any other data, which must stay 0), by module width, with the
// mean and worst time. No picture is kept: the set is a seed, so that nobody tunes to one picture.
//   photo_sweep [count=200] [seed=1]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "decode_util.h"
#include "decoder/photo_fixtures.h"
#include "pdf417/decoder/decoder.h"
#include "peer.h"

namespace {

using phototest::ModuleGrid;
using phototest::PhotoConditions;

struct Picture {
  std::string data;
  double module = 0;
  pdf417::GreyImage image;
};

Picture MakePicture(unsigned seed, int n) {
  std::mt19937 rng(seed * 100003u + static_cast<unsigned>(n));
  std::uniform_real_distribution<double> u(0, 1);
  std::uniform_int_distribution<int> byte(0, 255);
  Picture p;
  const int length = 10 + static_cast<int>(150 * u(rng));
  for (int i = 0; i < length; ++i) p.data.push_back(static_cast<char>(byte(rng)));
  ModuleGrid grid = phototest::EncodeGrid(p.data, 2 + static_cast<int>(8 * u(rng)),
                                          2 + static_cast<int>(3 * u(rng)));
  PhotoConditions s;
  s.module = 1.4 + 2.6 * u(rng);
  s.angle = 360 * u(rng);
  s.keystone = u(rng) < 0.5 ? 0.35 * u(rng) : 0;
  s.blur = 0.4 + 1.6 * u(rng);
  s.ink = 30 + static_cast<int>(80 * u(rng));
  s.paper = s.ink + 60 + static_cast<int>((230 - s.ink - 60) * u(rng));
  s.gradient = 0.6 * u(rng);
  s.shadow = u(rng) < 0.3;
  s.noise = 2 + 12 * u(rng);
  s.clutter = u(rng) < 0.3;
  const double damage = u(rng);
  if (damage < 0.1) {
    phototest::DefacePattern(grid, rng);
  } else if (damage < 0.2) {
    phototest::DefacePattern(grid, rng, true);
  } else if (damage < 0.3) {
    phototest::CoverCorner(grid);
  }
  p.module = s.module;
  p.image = phototest::RenderPhoto(grid, s, rng);
  if (u(rng) < 0.3) p.image = phototest::JpegRoundTrip(p.image, 30 + static_cast<int>(50 * u(rng)));
  return p;
}

std::string Ours(const pdf417::GreyImage& image) {
  pdf417::ImageView view;
  view.data = image.pixels.data();
  view.width = image.width;
  view.height = image.height;
  const pdf417::DecodeResult r = testutil::DecodeFirst(view);
  return r.ok() ? r.bytes : std::string();
}

std::string Zxing(const pdf417::GreyImage& image) {
  const std::vector<std::string> r =
      peer::Read(image.pixels.data(), image.width, image.height, true);
  return r.empty() ? std::string() : r.front();
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 200;
  const auto seed = static_cast<unsigned>(argc > 2 ? std::atoi(argv[2]) : 1);
  constexpr int kBuckets = 6;  // module widths 1.4, 1.9, 2.4, 2.9, 3.4 and 3.9 pixels up
  struct Tally {
    int read = 0, other = 0;
    int byModule[kBuckets] = {};
    double ms = 0, worst = 0;
  } ours, peer;
  int pictures[kBuckets] = {};
  for (int n = 0; n < count; ++n) {
    const Picture p = MakePicture(seed, n);
    const int bucket = std::min(kBuckets - 1, static_cast<int>((p.module - 1.4) / 0.5));
    ++pictures[bucket];
    for (Tally* t : {&ours, &peer}) {
      const auto start = std::chrono::steady_clock::now();
      const std::string bytes = t == &ours ? Ours(p.image) : Zxing(p.image);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      t->ms += ms;
      t->worst = std::max(t->worst, ms);
      if (bytes == p.data) {
        ++t->read;
        ++t->byModule[bucket];
      } else if (!bytes.empty()) {
        ++t->other;
      }
    }
  }
  for (const Tally* t : {&ours, &peer}) {
    std::printf("%-9s read %3d of %d, other data %d, mean %.1f ms, worst %.0f ms; by module:",
                t == &ours ? "ours" : peer::Name(), t->read, count, t->other, t->ms / count,
                t->worst);
    for (int b = 0; b < kBuckets; ++b) std::printf(" %d/%d", t->byModule[b], pictures[b]);
    std::printf("\n");
  }
  return ours.other == 0 ? 0 : 1;
}
