// Decoding from a file: our decoder against zxing-cpp's ReadBarcode (restricted to PDF417) on the
// same files. Each symbol holds 100 or 1,000 pseudo-random bytes in 10 data columns at level 5.
// Upright: as our encoder writes it at aspect ratio 3 (modules one pixel wide, rows three pixels
// tall). Turned 90: that picture turned by an exact quarter turn clockwise. Tilted 3: the symbol
// drawn at aspect ratio 5 and magnified three times (modules 3 pixels wide, rows 15 pixels tall),
// then turned by 3 degrees counter-clockwise into a larger white canvas, nearest neighbour.
// Neither decoder reads the aspect-3 picture turned by 3 degrees: a 3 degree turn moves the
// rows of a 255-module-wide symbol by 13 modules over its width, more than four rows of
// three modules, and one-pixel modules do not survive resampling. Drawn at aspect 5 and
// magnified three times, the symbol is read by both at both sizes, and still when magnified four
// times (at aspect 4, zxing-cpp misses the 1,000-byte symbol magnified four times).
//
// Upright as PNG: the upright picture converted to a one-bit grey PNG by ImageMagick; ours reads
// the file, zxing-cpp's side gets its luminance from our PNG loader. Grey view: the upright
// picture's luminance held in memory, decoded by Decode and by ReadBarcode without any file.
// load_png/ours times our PNG loader alone on the upright PNG: its share of decode_upright_png.
//
// Both sides start from the file name: ours reads and decodes the file; zxing's timing includes
// reading the file and converting its one-bit pixels to the luminance picture that ReadBarcode
// takes. Before timing, both must give back exactly the encoded bytes, or the benchmark stops
// with an error. The camera frame and the 12-megapixel photo are described at RenderCamera.
#include <benchmark/benchmark.h>
#include <unistd.h>

#define ZX_USE_UTF8 1
#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench_util.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/load/picture_load.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace {

using benchutil::Luminance;

// The first symbol that decodes, as a reader that wants one symbol asks for it.
template <typename Source>
pdf417::DecodeResult FirstSymbol(const Source& source) {
  pdf417::DecodeOptions options;
  options.maxSymbols = 1;
  return std::move(pdf417::Decode(source, options).front());
}

constexpr int kColumns = 10;
constexpr int kLevel = 5;
constexpr int kAspect = 3;
constexpr double kTiltDegrees = 3.0;
constexpr int kTiltAspect = 5;
constexpr int kTiltMagnification = 3;

enum class Pose { kUpright, kTurned90, kTilted3, kUprightPng, kGreyView };

const char* PoseName(Pose pose) {
  switch (pose) {
    case Pose::kUpright:
      return "upright";
    case Pose::kTurned90:
      return "turned90";
    case Pose::kTilted3:
      return "tilted3";
    case Pose::kUprightPng:
      return "upright_png";
    case Pose::kGreyView:
      return "grey_view";
  }
  return "?";
}

// A quarter turn clockwise: the left column becomes the top row.
Luminance TurnClockwise(const Luminance& in) {
  Luminance out;
  out.width = in.height;
  out.height = in.width;
  out.pixels.resize(in.pixels.size());
  for (int r = 0; r < out.height; ++r) {
    for (int c = 0; c < out.width; ++c) {
      out.pixels[static_cast<std::size_t>(r) * out.width + c] = in.at(in.height - 1 - c, r);
    }
  }
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
  const double cxIn = in.width / 2.0;
  const double cyIn = in.height / 2.0;
  const double cxOut = out.width / 2.0;
  const double cyOut = out.height / 2.0;
  for (int r = 0; r < out.height; ++r) {
    for (int c = 0; c < out.width; ++c) {
      // Inverse mapping of the pixel centre (y grows downwards, so a counter-clockwise turn on
      // screen is a clockwise one in these coordinates).
      const double x = c + 0.5 - cxOut;
      const double y = r + 0.5 - cyOut;
      const double sx = cs * x - sn * y + cxIn;
      const double sy = sn * x + cs * y + cyIn;
      out.pixels[static_cast<std::size_t>(r) * out.width + c] =
          in.at(static_cast<int>(std::floor(sy)), static_cast<int>(std::floor(sx)));
    }
  }
  return out;
}

// The sample files, written once into a temporary folder and removed at exit.
class SampleFiles {
 public:
  static SampleFiles& Get() {
    static SampleFiles files;
    return files;
  }

  const std::string& Path(int length, Pose pose) {
    const std::string key = std::to_string(length) + PoseName(pose);
    auto it = paths_.find(key);
    if (it != paths_.end()) return it->second;
    const std::vector<std::uint8_t> data = benchutil::SampleBytes(length);
    const std::string path = dir_ + "/" + key + ".bmp";
    if (pose == Pose::kUprightPng) {
      const std::string png = dir_ + "/" + key + ".png";
      const std::string cmd = "convert '" + Path(length, Pose::kUpright) + "' '" + png + "'";
      if (std::system(cmd.c_str()) != 0) throw std::runtime_error("convert failed: " + cmd);
      return paths_.emplace(key, png).first->second;
    }
    if (pose == Pose::kGreyView) {
      const std::string& upright = Path(length, Pose::kUpright);
      const std::vector<std::uint8_t> file = benchutil::ReadFile(upright);
      views_.emplace(upright, benchutil::OneBitBmpToLuminance(file.data(), file.size()));
      return upright;
    }
    if (pose == Pose::kTilted3) {
      const std::vector<std::uint8_t> image =
          pdf417::EncodePdf417ToImage(data.data(), length, kColumns, kLevel, kTiltAspect);
      const Luminance drawn = benchutil::OneBitBmpToLuminance(image.data(), image.size());
      benchutil::WriteOneBitBmp(path, Tilt(Magnify(drawn, kTiltMagnification), kTiltDegrees));
    } else {
      const std::vector<std::uint8_t> image =
          pdf417::EncodePdf417ToImage(data.data(), length, kColumns, kLevel, kAspect);
      if (pose == Pose::kUpright) {
        pdf417::WriteWholeFile(path, image.data(), image.size());
      } else {
        benchutil::WriteOneBitBmp(
            path, TurnClockwise(benchutil::OneBitBmpToLuminance(image.data(), image.size())));
      }
    }
    return paths_.emplace(key, path).first->second;
  }

  // The luminance of a sample file, made once before timing (kGreyView).
  const Luminance& View(const std::string& path) const { return views_.at(path); }

  SampleFiles(const SampleFiles&) = delete;
  SampleFiles& operator=(const SampleFiles&) = delete;

 private:
  SampleFiles() {
    char templ[] = "/tmp/pdf417-bench-XXXXXX";
    if (::mkdtemp(templ) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = templ;
  }
  ~SampleFiles() {
    for (const auto& entry : paths_) std::remove(entry.second.c_str());
    ::rmdir(dir_.c_str());
  }

  std::string dir_;
  std::map<std::string, std::string> paths_;
  std::map<std::string, Luminance> views_;
};

std::string Ours(const std::string& path) {
  pdf417::DecodeResult result = FirstSymbol(path);
  return result.ok() ? result.bytes : std::string("(not decoded: " + result.message + ")");
}

std::string Zxing(const std::string& path) {
  const std::vector<std::uint8_t> file = benchutil::ReadFile(path);
  const Luminance picture = benchutil::OneBitBmpToLuminance(file.data(), file.size());
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::PDF417);
  const ZXing::Result result =
      ZXing::ReadBarcode(ZXing::ImageView(picture.pixels.data(), picture.width, picture.height,
                                          ZXing::ImageFormat::Lum),
                         hints);
  if (!result.isValid()) return "(not decoded)";
  return std::string(result.bytes().begin(), result.bytes().end());
}

std::string ZxingLuminance(const std::uint8_t* pixels, int width, int height) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::PDF417);
  const ZXing::Result result =
      ZXing::ReadBarcode(ZXing::ImageView(pixels, width, height, ZXing::ImageFormat::Lum), hints);
  if (!result.isValid()) return "(not decoded)";
  return std::string(result.bytes().begin(), result.bytes().end());
}

std::string ZxingPng(const std::string& path) {
  const pdf417::GreyImage grey = pdf417::LoadPictureFile(path);
  return ZxingLuminance(grey.pixels.data(), grey.width, grey.height);
}

// Our decoder on grey pixels held in memory, read in place through a view.
std::string OursLuminance(const Luminance& picture) {
  pdf417::ImageView view;
  view.data = picture.pixels.data();
  view.width = picture.width;
  view.height = picture.height;
  view.format = pdf417::PixelFormat::Grey8;
  pdf417::DecodeResult result = FirstSymbol(view);
  return result.ok() ? result.bytes : std::string("(not decoded: " + result.message + ")");
}

std::string OursView(const std::string& path) {
  return OursLuminance(SampleFiles::Get().View(path));
}

std::string ZxingView(const std::string& path) {
  const Luminance& picture = SampleFiles::Get().View(path);
  return ZxingLuminance(picture.pixels.data(), picture.width, picture.height);
}

// The PNG loader alone; gives back the expected bytes so that DecodeFile accepts it.
std::string LoadPngOnly(const std::string& path) {
  const pdf417::GreyImage grey = pdf417::LoadPictureFile(path);
  benchmark::DoNotOptimize(grey.pixels.data());
  const std::string name = path.substr(path.rfind('/') + 1);
  const std::vector<std::uint8_t> data = benchutil::SampleBytes(std::stoi(name));
  return std::string(data.begin(), data.end());
}

template <std::string (*Decode)(const std::string&)>
void DecodeFile(benchmark::State& state, Pose pose) {
  const int length = static_cast<int>(state.range(0));
  const std::vector<std::uint8_t> data = benchutil::SampleBytes(length);
  const std::string expected(data.begin(), data.end());
  const std::string& path = SampleFiles::Get().Path(length, pose);
  if (Decode(path) != expected) {
    state.SkipWithError(("does not decode " + path + " to the encoded bytes").c_str());
    return;
  }
  for (auto _ : state) {
    std::string bytes = Decode(path);
    benchmark::DoNotOptimize(bytes.data());
  }
}

void Register(Pose pose) {
  const std::string base = std::string("decode_") + PoseName(pose);
  benchmark::RegisterBenchmark((base + "/ours").c_str(), DecodeFile<Ours>, pose)
      ->Arg(100)
      ->Arg(1000)
      ->UseRealTime()
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark((base + "/zxing").c_str(), DecodeFile<Zxing>, pose)
      ->Arg(100)
      ->Arg(1000)
      ->UseRealTime()
      ->Unit(benchmark::kMicrosecond);
}

template <std::string (*OursFn)(const std::string&), std::string (*PeerFn)(const std::string&)>
void RegisterPair(const std::string& base, Pose pose) {
  benchmark::RegisterBenchmark((base + "/ours").c_str(), DecodeFile<OursFn>, pose)
      ->Arg(100)
      ->Arg(1000)
      ->UseRealTime()
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark((base + "/zxing").c_str(), DecodeFile<PeerFn>, pose)
      ->Arg(100)
      ->Arg(1000)
      ->UseRealTime()
      ->Unit(benchmark::kMicrosecond);
}

// Camera-like pictures: the 100-byte symbol, 10 columns, level 5,
// on grey paper lit unevenly (200 falling to 150 from left to right, ink 50), turned by 1.5
// degrees, its right end 10% shorter than its left (keystone), blurred by two 3 x 3 box blurs and
// given a little noise. The frame is 1600 x 1200 pixels with modules 3 pixels wide; the photo is
// 4000 x 3000 (12 megapixels) with modules 6 pixels wide.
struct CameraScene {
  int width;
  int height;
  int length;
  double module;
};
constexpr CameraScene kCameraFrame{1600, 1200, 100, 3.0};
constexpr CameraScene kCameraPhoto{4000, 3000, 100, 6.0};

Luminance RenderCamera(const CameraScene& scene) {
  const std::vector<std::uint8_t> data = benchutil::SampleBytes(scene.length);
  const std::vector<std::uint8_t> file = pdf417::EncodePdf417ToImage(
      data.data(), static_cast<int>(data.size()), kColumns, kLevel, kAspect);
  const Luminance symbol = benchutil::OneBitBmpToLuminance(file.data(), file.size());
  Luminance out;
  out.width = scene.width;
  out.height = scene.height;
  out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
  // Symbol pixels are one module wide and a third of a row (one module) tall.
  const double hw = symbol.width * scene.module / 2;
  const double hh = symbol.height * scene.module / 2;
  const double keystone = 0.10;
  const double k = keystone / (hw * (2 - keystone));
  const double a = 1.5 * M_PI / 180;
  const double ca = std::cos(a);
  const double sa = std::sin(a);
  std::uint32_t noise = 12345;
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      const double px = x + 0.5 - out.width / 2.0;
      const double py = y + 0.5 - out.height / 2.0;
      const double X = ca * px - sa * py;
      const double Y = sa * px + ca * py;
      const double den = 1 - k * X;
      const double u = (X / den + hw) / scene.module;
      const double v = (Y / den + hh) / scene.module;
      const bool dark = den > 0 && symbol.at(static_cast<int>(std::floor(v)),
                                             static_cast<int>(std::floor(u))) < 128;
      const double paper = 200 - 50.0 * x / out.width;
      noise = noise * 1664525u + 1013904223u;
      const int jitter = static_cast<int>(noise >> 29) - 4;  // -4 .. 3
      out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) +
                 static_cast<std::size_t>(x)] =
          static_cast<std::uint8_t>(std::lround((dark ? 50 : paper) + jitter));
    }
  }
  // Two passes of a 3 x 3 box blur.
  for (int pass = 0; pass < 2; ++pass) {
    const Luminance in = out;
    for (int y = 0; y < out.height; ++y) {
      for (int x = 0; x < out.width; ++x) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int yy = std::min(std::max(y + dy, 0), out.height - 1);
            const int xx = std::min(std::max(x + dx, 0), out.width - 1);
            sum += in.pixels[static_cast<std::size_t>(yy) * static_cast<std::size_t>(out.width) +
                             static_cast<std::size_t>(xx)];
          }
        }
        out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) +
                   static_cast<std::size_t>(x)] = static_cast<std::uint8_t>((sum + 4) / 9);
      }
    }
  }
  return out;
}

std::string OursCamera(const Luminance& picture) { return OursLuminance(picture); }

std::string ZxingCamera(const Luminance& picture) {
  return ZxingLuminance(picture.pixels.data(), picture.width, picture.height);
}

template <std::string (*Decode)(const Luminance&)>
void DecodeCamera(benchmark::State& state, CameraScene scene) {
  const Luminance picture = RenderCamera(scene);
  const std::vector<std::uint8_t> data = benchutil::SampleBytes(scene.length);
  if (Decode(picture) != std::string(data.begin(), data.end())) {
    state.SkipWithError("does not decode the camera picture to the encoded bytes");
    return;
  }
  for (auto _ : state) {
    std::string bytes = Decode(picture);
    benchmark::DoNotOptimize(bytes.data());
  }
}

const bool kRegistered = [] {
  for (Pose pose : {Pose::kUpright, Pose::kTurned90, Pose::kTilted3}) Register(pose);
  RegisterPair<Ours, ZxingPng>("decode_upright_png", Pose::kUprightPng);
  RegisterPair<OursView, ZxingView>("decode_grey_view", Pose::kGreyView);
  for (const auto& [name, scene] : {std::make_pair("decode_camera_frame", kCameraFrame),
                                    std::make_pair("decode_photo_12mp", kCameraPhoto)}) {
    benchmark::RegisterBenchmark((std::string(name) + "/ours").c_str(), DecodeCamera<OursCamera>,
                                 scene)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string(name) + "/zxing").c_str(), DecodeCamera<ZxingCamera>,
                                 scene)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("load_png/ours", DecodeFile<LoadPngOnly>, Pose::kUprightPng)
      ->Arg(100)
      ->Arg(1000)
      ->UseRealTime()
      ->Unit(benchmark::kMicrosecond);
  return true;
}();

}  // namespace
