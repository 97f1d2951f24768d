// The one-bit PNG writer against libpng as an independent reader, and its prefix codes against
// the textbook Huffman construction.
#include "pdf417/encoder/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <queue>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pdf417/encoder/symbol.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Picture {
  int width;
  int height;
  Bytes packed;  // (width + 7) / 8 bytes a line
  std::string what;
  bool Pixel(int x, int y) const {
    const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8;
    return (packed[stride * static_cast<std::size_t>(y) + static_cast<std::size_t>(x / 8)] >>
            (7 - x % 8)) &
           1;
  }
};

// Pictures of the kinds the writer meets and the kinds it must still get right: lines that repeat
// (long runs of them, over the longest copy), runs of one byte, lines like the line above in
// places, noise, skewed byte frequencies, and widths on either side of byte and SIMD boundaries.
std::vector<Picture> Pictures() {
  std::mt19937 rng(417);
  std::vector<Picture> out;
  const auto make = [&](int width, int height, const std::string& kind,
                        const std::function<std::uint8_t(int, int, const Bytes&)>& byteAt) {
    Picture p{width, height, {}, kind + " " + std::to_string(width) + "x" + std::to_string(height)};
    const int stride = (width + 7) / 8;
    p.packed.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
      for (int i = 0; i < stride; ++i) {
        p.packed[static_cast<std::size_t>(y * stride + i)] = byteAt(i, y, p.packed);
      }
      // Bits past the width are zero, as the renderer leaves them.
      if (width % 8 != 0) {
        p.packed[static_cast<std::size_t>(y * stride + stride - 1)] &=
            static_cast<std::uint8_t>(0xff << (8 - width % 8));
      }
    }
    out.push_back(std::move(p));
  };
  for (const int width : {1, 2, 7, 8, 9, 15, 16, 17, 63, 64, 65, 127, 128, 129, 200, 452}) {
    for (const int height : {1, 2, 5, 40}) {
      make(width, height, "noise", [&](int, int, const Bytes&) { return rng() & 0xff; });
      make(width, height, "blank", [&](int, int, const Bytes&) { return 0; });
      // Symbol-like: bands of repeated lines whose bytes come from a few values.
      std::vector<std::uint8_t> band;
      make(width, height, "bands", [&](int i, int y, const Bytes&) {
        if (y % 6 == 0 && i == 0) {
          band.clear();
          for (int k = 0; k < (width + 7) / 8; ++k)
            band.push_back(static_cast<std::uint8_t>((rng() % 4 == 0) ? 0 : 0x33 * (rng() % 6)));
        }
        return band[static_cast<std::size_t>(i)];
      });
    }
  }
  // Lines that differ from the line above in a few bytes, and runs inside lines.
  const int stride = 60;
  make(stride * 8 - 3, 30, "edited", [&](int i, int y, const Bytes& sofar) {
    if (y == 0) return static_cast<std::uint8_t>(i < 20 ? 0xff : rng() & 0xff);
    const std::uint8_t above = sofar[static_cast<std::size_t>((y - 1) * stride + i)];
    return rng() % 7 == 0 ? static_cast<std::uint8_t>(rng() & 0xff) : above;
  });
  // One byte value far more frequent than the next, and so on: Fibonacci-like counts need codes
  // longer than 15 bits unless they are limited.
  {
    Bytes bytes;
    std::uint32_t a = 1;
    std::uint32_t b = 1;
    for (int value = 0; value < 24; ++value) {
      for (std::uint32_t k = 0; k < a; ++k)
        bytes.push_back(static_cast<std::uint8_t>(value * 7 + 1));
      const std::uint32_t c = a + b;
      a = b;
      b = c;
    }
    // Shuffled, so that few runs swallow the frequent values.
    std::shuffle(bytes.begin(), bytes.end(), rng);
    const Bytes& mixed = bytes;
    const int width = 8 * 1000;
    const int height = static_cast<int>(mixed.size() / 1000);
    make(width, height, "skewed", [&](int i, int y, const Bytes&) {
      return mixed[static_cast<std::size_t>(y) * 1000 + static_cast<std::size_t>(i)];
    });
  }
  // Lines longer than the longest copy, repeated; a tall picture of one repeated line.
  make(4000, 9, "wide", [&](int i, int y, const Bytes&) {
    return static_cast<std::uint8_t>(y < 3 ? (i * 13) & 0xff : (i * 29) & 0xff);
  });
  // Lines of 259 and 260 bytes with their filter byte: a copy of one is the longest copy and
  // one or two bytes more, which must not end in a copy shorter than three.
  for (const int width : {2064, 2072}) {
    make(width, 3, "repeated",
         [&](int i, int, const Bytes&) { return static_cast<std::uint8_t>(i * 7); });
  }
  make(33, 5000, "tall",
       [&](int i, int, const Bytes&) { return static_cast<std::uint8_t>(0x5a + i); });
  return out;
}

// Every picture read back by libpng is the same picture in the palette's two colours.
TEST(BilevelPng, LibpngReadsBackEveryPicture) {
  const pdf417::Colour fg{10, 20, 30};
  const pdf417::Colour bg{250, 128, 1};
  for (const Picture& p : Pictures()) {
    const Bytes file = pdf417::BilevelPng(p.packed.data(), p.width, p.height, bg, fg);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()))
        << p.what << ": " << image.message;
    image.format = PNG_FORMAT_RGB;
    Bytes rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        << p.what << ": " << image.message;
    ASSERT_EQ(static_cast<int>(image.width), p.width) << p.what;
    ASSERT_EQ(static_cast<int>(image.height), p.height) << p.what;
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        const pdf417::Colour& c = p.Pixel(x, y) ? fg : bg;
        const std::uint8_t* px = &rgb[3 * (static_cast<std::size_t>(y) * p.width + x)];
        ASSERT_TRUE(px[0] == c.red && px[1] == c.green && px[2] == c.blue)
            << p.what << " at " << x << "," << y;
      }
    }
  }
}

// Repeated lines cost almost nothing: a picture of one line repeated is barely larger than one
// of that line alone.
TEST(BilevelPng, RepeatedLinesAreCopies) {
  Bytes line(100);
  for (std::size_t i = 0; i < line.size(); ++i) line[i] = static_cast<std::uint8_t>(i * 37);
  Bytes tall;
  for (int y = 0; y < 1000; ++y) tall.insert(tall.end(), line.begin(), line.end());
  const Bytes one = pdf417::BilevelPng(line.data(), 800, 1, {}, {});
  const Bytes many = pdf417::BilevelPng(tall.data(), 800, 1000, {}, {});
  EXPECT_LT(many.size(), one.size() + 1100);
}

// The textbook construction: merge the two lightest with a heap, ties going to the shallower
// subtree, which among the optimal codes gives one of least maximum length. Returns the cost
// (sum of frequency x length) and the maximum length.
std::pair<std::uint64_t, int> Huffman(const std::vector<std::uint32_t>& frequencies) {
  using Node = std::pair<std::uint64_t, int>;  // weight, depth
  std::priority_queue<Node, std::vector<Node>, std::greater<>> heap;
  for (const std::uint32_t f : frequencies) {
    if (f != 0) heap.push({f, 0});
  }
  if (heap.size() == 1) return {heap.top().first, 1};
  std::uint64_t cost = 0;
  while (heap.size() > 1) {
    const Node a = heap.top();
    heap.pop();
    const Node b = heap.top();
    heap.pop();
    cost += a.first + b.first;
    heap.push({a.first + b.first, std::max(a.second, b.second) + 1});
  }
  return {cost, heap.top().second};
}

// Lengths form a complete prefix code over exactly the used symbols, none longer than the limit,
// and cost no more than Huffman's whenever Huffman's fits in the limit.
TEST(BilevelPng, PrefixCodesAreCompleteLimitedAndOptimal) {
  std::mt19937 rng(929);
  int limited = 0;
  for (int round = 0; round < 400; ++round) {
    const int n = 2 + static_cast<int>(rng() % 285);
    const int maxBits = round % 3 == 0 ? 7 : 15;
    std::vector<std::uint32_t> f(static_cast<std::size_t>(n), 0);
    const int used = std::min(n, 2 + static_cast<int>(rng() % (maxBits == 7 ? 126u : 300u)));
    for (int k = 0; k < used; ++k) {
      std::uint32_t v = 1;
      switch (round % 4) {
        case 0:
          v = 1 + rng() % 10;
          break;
        case 1:
          v = 1 + rng() % 100000;
          break;
        case 2:
          v = 1u << (rng() % 28);
          break;  // very uneven
        default:
          v = static_cast<std::uint32_t>(std::pow(1.6, k % 40)) + 1;
          break;
      }
      f[rng() % static_cast<std::uint32_t>(n)] += v;
    }
    const std::vector<std::uint8_t> lengths = pdf417::PrefixCodeLengths(f, maxBits);
    double kraft = 0;
    std::uint64_t cost = 0;
    int deepest = 0;
    int count = 0;
    for (std::size_t s = 0; s < f.size(); ++s) {
      ASSERT_EQ(f[s] == 0, lengths[s] == 0) << "round " << round << " symbol " << s;
      if (lengths[s] == 0) continue;
      ++count;
      kraft += std::ldexp(1.0, -lengths[s]);
      cost += static_cast<std::uint64_t>(f[s]) * lengths[s];
      deepest = std::max(deepest, static_cast<int>(lengths[s]));
    }
    ASSERT_LE(deepest, maxBits) << "round " << round;
    if (count >= 2) {
      ASSERT_DOUBLE_EQ(kraft, 1.0) << "round " << round;
    }
    const auto [best, bestDepth] = Huffman(f);
    if (bestDepth <= maxBits) {
      EXPECT_EQ(cost, best) << "round " << round;
    } else {
      ++limited;
      EXPECT_GT(cost, best) << "round " << round;
    }
  }
  EXPECT_GT(limited, 20);  // the limit was tried, not only the easy cases
  EXPECT_THROW(pdf417::PrefixCodeLengths(std::vector<std::uint32_t>(200, 1), 7),
               std::invalid_argument);
}

}  // namespace
