// Telling picture formats apart, the limits of a load, reading files, pipes and bytes in memory,
// and handing each to its format's loader.
#include "pdf417/decoder/load/picture_load.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"

namespace pdf417 {

static_assert(kMaxPictureSidePixels == kMaxBitmapSide,
              "the public limit on picture sides is the one the loaders apply");

namespace {

using namespace std::string_view_literals;

// Enough of a file to tell its format.
constexpr std::size_t kHeadBytes = 64;

bool StartsWith(const std::uint8_t* head, std::size_t size, const char* magic, std::size_t at = 0) {
  const std::size_t n = std::strlen(magic);
  return size >= at + n && std::memcmp(head + at, magic, n) == 0;
}

[[noreturn]] void Refuse(const std::string& message) { throw Error(ErrorCode::BadBitmap, message); }

[[noreturn]] void ReadFailed(int error) {
  throw Error(ErrorCode::FileRead, std::string("cannot read it: ") + std::strerror(error));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

GreyImage LoadAs(PictureFormat format, PictureInput& input, const LoadLimits& limits,
                 const std::uint8_t* head, std::size_t headSize);

// The first page of a TIFF, or the error that kept it from loading.
GreyImage FirstTiffPage(PictureInput& input, const LoadLimits& limits) {
  std::vector<std::uint8_t> store;
  const WholeBytes whole = ReadWholeInput(input, store);
  GreyImage first;
  LoadTiffPages(whole.data, whole.size, limits,
                [&first](int, int, const GreyImage* grey, const Error* failure) -> bool {
                  if (failure != nullptr) throw *failure;
                  first = std::move(*grey);
                  return false;
                });
  return first;
}

// Every page of the input: a TIFF's in turn, the one picture of any other format.
void LoadPagesAs(PictureFormat format, PictureInput& input, const LoadLimits& limits,
                 const std::uint8_t* head, std::size_t headSize, const PageSink& sink) {
  if (format == PictureFormat::Tiff) {
    std::vector<std::uint8_t> store;
    const WholeBytes whole = ReadWholeInput(input, store);
    LoadTiffPages(whole.data, whole.size, limits, sink);
    return;
  }
  const GreyImage grey = LoadAs(format, input, limits, head, headSize);
  sink(0, 1, &grey, nullptr);
}

GreyImage LoadAs(PictureFormat format, PictureInput& input, const LoadLimits& limits,
                 const std::uint8_t* head, std::size_t headSize) {
  switch (format) {
    case PictureFormat::Png:
      return LoadPng(input, limits);
    case PictureFormat::Jpeg:
      return LoadJpeg(input, limits);
    case PictureFormat::Bmp:
      return LoadBmp(input, limits);
    case PictureFormat::Pnm:
      return LoadPnm(input, limits);
    case PictureFormat::Webp:
      return LoadWebp(input, limits);
    case PictureFormat::Tiff:
      return FirstTiffPage(input, limits);
    case PictureFormat::Unknown:
      break;
  }
  Refuse(UnsupportedFormatMessage(head, headSize));
}

}  // namespace

PictureFormat FormatOf(const std::uint8_t* head, std::size_t size) {
  if (StartsWith(head, size, "\x89PNG\r\n\x1a\n")) return PictureFormat::Png;
  if (StartsWith(head, size, "\xff\xd8\xff")) return PictureFormat::Jpeg;
  if (StartsWith(head, size, "BM")) return PictureFormat::Bmp;
  if (StartsWith(head, size, "RIFF") && StartsWith(head, size, "WEBP", 8)) {
    return PictureFormat::Webp;
  }
  if (size >= 4 && (std::memcmp(head, "II*\0", 4) == 0 || std::memcmp(head, "MM\0*", 4) == 0 ||
                    std::memcmp(head, "II+\0", 4) == 0 || std::memcmp(head, "MM\0+", 4) == 0)) {
    return PictureFormat::Tiff;
  }
  if (size >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' &&
      std::strchr(" \t\r\n#", head[2]) != nullptr && head[2] != '\0') {
    return PictureFormat::Pnm;
  }
  return PictureFormat::Unknown;
}

std::string UnsupportedFormatMessage(const std::uint8_t* head, std::size_t size) {
  static const char* const kRead = "PNG, JPEG, BMP, Netpbm (PBM, PGM, PPM), WebP and TIFF are";
  if (size == 0) return std::string("the file is empty; ") + kRead + " read";
  struct Known {
    std::string_view magic;
    std::size_t at;
    const char* name;
  };
  static constexpr Known kKnown[] = {
      {"GIF8"sv, 0, "GIF"},
      {"%PDF"sv, 0, "PDF"},
      {"\0\0\0\x0cjP  "sv, 0, "JPEG 2000"},
      {"\xff\x4f\xff\x51"sv, 0, "JPEG 2000"},
      {"ftypavif"sv, 4, "AVIF"},
      {"ftypheic"sv, 4, "HEIF"},
      {"ftypmif1"sv, 4, "HEIF"},
      {"8BPS"sv, 0, "Photoshop"},
      {"%!PS"sv, 0, "PostScript"},
      {"<?xml"sv, 0, "XML (an SVG drawing among it is read once drawn as PNG)"},
      {"PK\3\4"sv, 0, "a ZIP archive"},
      {"\x1f\x8b"sv, 0, "gzip-compressed data"},
      {"qoif"sv, 0, "QOI"},
  };
  const std::string_view text(reinterpret_cast<const char*>(head), size);
  const bool markup = text.substr(0, 4) == "<svg" || text.substr(0, 5) == "<?xml" ||
                      text.substr(0, 9) == "<!DOCTYPE" || text.substr(0, 4) == "<!--" ||
                      text.substr(0, 3) == "\xef\xbb\xbf";
  if (markup && (text.find("<svg") != std::string_view::npos ||
                 text.find("DOCTYPE svg") != std::string_view::npos)) {
    return std::string("SVG is not supported (draw it as PNG first, with rsvg-convert for one); ") +
           kRead;
  }
  for (const Known& k : kKnown) {
    if (size >= k.at + k.magic.size() &&
        std::memcmp(head + k.at, k.magic.data(), k.magic.size()) == 0) {
      return std::string(k.name) + " is not supported; " + kRead;
    }
  }
  if (StartsWith(head, size, "P7")) return std::string("PAM (P7) is not supported; ") + kRead;
  static const char kHex[] = "0123456789abcdef";
  std::string first;
  for (std::size_t i = 0; i < std::min<std::size_t>(size, 4); ++i) {
    if (i > 0) first += ' ';
    first += kHex[head[i] >> 4];
    first += kHex[head[i] & 15];
  }
  return "not a picture format we read (it starts with the bytes " + first + "); " + kRead;
}

void LoadLimits::CheckPixels(const char* format, std::int64_t width, std::int64_t height,
                             std::int64_t count) const {
  if (count <= maxPixels) return;
  const bool samples = count != width * height;
  Refuse(std::string("not a readable ") + format + ": " + std::to_string(width) + " x " +
         std::to_string(height) + " pixels" +
         (samples ? " holding " + std::to_string(count) + " samples while it loads" : "") +
         ", more than the " + std::to_string(maxPixels) + (samples ? " samples" : " pixels") +
         " this decode accepts (the pixel limit)");
}

PictureInput::PictureInput(const std::uint8_t* data, std::size_t size)
    : data_(data),
      size_(data == nullptr ? 0 : size),
      size_known_(static_cast<std::int64_t>(size_)) {}

PictureInput::PictureInput(std::FILE* file, std::vector<std::uint8_t> head, std::int64_t fileSize)
    : head_(std::move(head)), file_(file), size_known_(fileSize) {
  data_ = head_.data();
  size_ = head_.size();
}

std::size_t PictureInput::Read(std::uint8_t* out, std::size_t n) {
  std::size_t got = std::min(n, size_ - at_);
  if (got > 0) std::memcpy(out, data_ + at_, got);
  at_ += got;
  if (got == n || file_ == nullptr) return got;
  const std::size_t more = std::fread(out + got, 1, n - got, file_);
  if (more < n - got && std::ferror(file_)) ReadFailed(errno);
  read_ += more;
  // A pipe or device is never read further than the largest picture file.
  if (read_ > kMaxPictureFileBytes) {
    Refuse("the input holds more than the " + std::to_string(kMaxPictureFileBytes) +
           " bytes of the largest picture file we read");
  }
  return got + more;
}

std::uint64_t PictureInput::Skip(std::uint64_t n) {
  const std::uint64_t inHead = std::min<std::uint64_t>(n, size_ - at_);
  at_ += static_cast<std::size_t>(inHead);
  std::uint64_t skipped = inHead;
  if (skipped == n || file_ == nullptr) return skipped;
  if (size_known_ >= 0) {
    // A regular file: seek, but not past its end.
    const long here = std::ftell(file_);
    if (here < 0) ReadFailed(errno);
    const std::uint64_t left =
        static_cast<std::uint64_t>(std::max<std::int64_t>(size_known_ - here, 0));
    const std::uint64_t step = std::min(n - skipped, left);
    if (std::fseek(file_, static_cast<long>(step), SEEK_CUR) != 0) ReadFailed(errno);
    return skipped + step;
  }
  std::uint8_t chunk[4096];
  while (skipped < n) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(n - skipped, sizeof chunk));
    const std::size_t got = Read(chunk, want);
    skipped += got;
    if (got < want) break;
  }
  return skipped;
}

WholeBytes ReadWholeInput(PictureInput& input, std::vector<std::uint8_t>& store) {
  if (input.Memory() != nullptr) return {input.Memory(), input.MemorySize()};
  // Read from the start: the head already read, then the rest of the file.
  if (input.Size() > 0) store.reserve(static_cast<std::size_t>(input.Size()));
  constexpr std::size_t kChunk = 1u << 20;
  for (;;) {
    const std::size_t at = store.size();
    store.resize(at + kChunk);
    const std::size_t got = input.Read(store.data() + at, kChunk);
    store.resize(at + got);
    if (got < kChunk) break;
  }
  return {store.data(), store.size()};
}

GreyImage LoadPicture(const std::uint8_t* data, std::size_t size, const LoadLimits& limits) {
  if (data == nullptr) size = 0;
  PictureInput input(data, size);
  return LoadAs(FormatOf(data, size), input, limits, data, size);
}

namespace {

// Opens a picture file, reads its first bytes and refuses what is not a picture, then hands the
// open input to `load`; errors name the file.
template <typename Load>
auto WithPictureFile(const std::string& fileName, Load load) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) {
    const int error = errno;
    throw Error(ErrorCode::FileRead,
                "cannot open picture file '" + fileName + "': " + std::strerror(error));
  }
  try {
    struct stat st {};
    const bool regular = ::fstat(::fileno(file.get()), &st) == 0 && S_ISREG(st.st_mode);
    if (regular && static_cast<std::uint64_t>(st.st_size) > kMaxPictureFileBytes) {
      Refuse("the file has " + std::to_string(st.st_size) + " bytes, more than the " +
             std::to_string(kMaxPictureFileBytes) + " of the largest picture file we read");
    }
    std::vector<std::uint8_t> head(kHeadBytes);
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    if (std::ferror(file.get())) ReadFailed(errno);
    const PictureFormat format = FormatOf(head.data(), head.size());
    if (format == PictureFormat::Unknown)
      Refuse(UnsupportedFormatMessage(head.data(), head.size()));
    const std::vector<std::uint8_t> first = head;
    PictureInput input(file.get(), std::move(head), regular ? st.st_size : -1);
    return load(format, input, first);
  } catch (const Error& e) {
    throw Error(e.code(), "'" + fileName + "': " + e.what());
  }
}

}  // namespace

GreyImage LoadPictureFile(const std::string& fileName, const LoadLimits& limits) {
  return WithPictureFile(fileName, [&limits](PictureFormat format, PictureInput& input,
                                             const std::vector<std::uint8_t>& head) {
    return LoadAs(format, input, limits, head.data(), head.size());
  });
}

void LoadPicturePages(const std::uint8_t* data, std::size_t size, const LoadLimits& limits,
                      const PageSink& sink) {
  if (data == nullptr) size = 0;
  PictureInput input(data, size);
  LoadPagesAs(FormatOf(data, size), input, limits, data, size, sink);
}

void LoadPictureFilePages(const std::string& fileName, const LoadLimits& limits,
                          const PageSink& sink) {
  // The name goes before the message of a page that cannot be read too.
  const PageSink named = [&fileName, &sink](int page, int pages, const GreyImage* grey,
                                            const Error* failure) {
    if (failure == nullptr) return sink(page, pages, grey, nullptr);
    const Error withName(failure->code(), "'" + fileName + "': " + failure->what());
    return sink(page, pages, nullptr, &withName);
  };
  WithPictureFile(fileName, [&](PictureFormat format, PictureInput& input,
                                const std::vector<std::uint8_t>& head) {
    LoadPagesAs(format, input, limits, head.data(), head.size(), named);
    return 0;
  });
}

}  // namespace pdf417
