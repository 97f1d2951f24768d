// The JPEG loader on arbitrary file bytes: it either refuses them with pdf417::Error or gives a
// grey picture within the side limits, and loading through the format-telling entry agrees.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/load/picture_load.h"

namespace {

struct Outcome {
  bool loaded = false;
  pdf417::GreyImage grey;
};

// Enough pixels for every kind of file while keeping each run fast: the seeds of 10,000 x 10,000
// pictures are refused by the limit here and read whole in the tests.
const pdf417::LoadLimits kLimits{1 << 20, nullptr};

template <typename Load>
Outcome Try(Load load) {
  Outcome out;
  try {
    out.grey = load();
    out.loaded = true;
  } catch (const pdf417::Error& e) {
    PDF417_FUZZ_CHECK(e.code() == pdf417::ErrorCode::BadBitmap);
    PDF417_FUZZ_CHECK(e.what()[0] != '\0');
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Outcome direct = Try([&] {
    pdf417::PictureInput input(data, size);
    return pdf417::LoadJpeg(input, kLimits);
  });
  if (direct.loaded) {
    const pdf417::GreyImage& g = direct.grey;
    PDF417_FUZZ_CHECK(g.width >= 1 && g.width <= pdf417::kMaxBitmapSide);
    PDF417_FUZZ_CHECK(g.height >= 1 && g.height <= pdf417::kMaxBitmapSide);
    PDF417_FUZZ_CHECK(g.pixels.size() ==
                      static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height));
  }
  if (pdf417::FormatOf(data, size) == pdf417::PictureFormat::Jpeg) {
    const Outcome told = Try([&] { return pdf417::LoadPicture(data, size, kLimits); });
    PDF417_FUZZ_CHECK(told.loaded == direct.loaded);
    if (told.loaded) PDF417_FUZZ_CHECK(told.grey.pixels == direct.grey.pixels);
  }
  return 0;
}
