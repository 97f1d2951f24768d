// The pattern-located reading on photo-like pictures, and properties of its stages.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

#include "decoder/photo_fixtures.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/detector_reading.h"
#include "pdf417/decoder/edge_reader.h"
#include "pdf417/decoder/local_threshold.h"
#include "pdf417/decoder/perspective.h"
#include "pdf417/decoder/pipeline.h"

namespace {

using phototest::PhotoClass;

pdf417::DecodeResult DecodeGreyImage(const pdf417::GreyImage& image) {
  pdf417::ImageView view;
  view.data = image.pixels.data();
  view.width = image.width;
  view.height = image.height;
  view.format = pdf417::PixelFormat::Grey8;
  return pdf417::DecodeImage(view);
}

constexpr int kPerClass = 12;

// Every class of photo: at least the minimum count read, and nothing read as other data.
TEST(PhotoReading, ReadsEachClassOfPhotos) {
  struct Expectation {
    PhotoClass photoClass;
    int minimum;
  };
  const Expectation expectations[] = {
      {PhotoClass::Turned, 10},      {PhotoClass::Rotated10To80, 10}, {PhotoClass::Perspective, 9},
      {PhotoClass::LowContrast, 10}, {PhotoClass::UnevenLight, 9},    {PhotoClass::Blur, 9},
      {PhotoClass::Noise, 10},       {PhotoClass::SmallModules, 8},   {PhotoClass::Clutter, 10},
      {PhotoClass::DefacedStop, 9},  {PhotoClass::CoveredCorner, 9},
  };
  for (const Expectation& e : expectations) {
    int read = 0;
    for (int n = 0; n < kPerClass; ++n) {
      const phototest::Photo photo = phototest::MakePhoto(e.photoClass, n);
      const pdf417::DecodeResult r = DecodeGreyImage(photo.image);
      if (r.ok()) {
        EXPECT_EQ(r.bytes, photo.data) << phototest::ClassName(e.photoClass) << " " << n;
        ++read;
      }
    }
    std::printf("%-16s %2d of %d\n", phototest::ClassName(e.photoClass), read, kPerClass);
    EXPECT_GE(read, e.minimum) << phototest::ClassName(e.photoClass);
  }
}

}  // namespace
