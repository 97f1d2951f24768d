// Picture files to the decoder's grey pictures: PNG, JPEG, BMP, Netpbm (PBM, PGM, PPM), WebP and
// TIFF (every page), the format told by the first bytes, never by the name. Every loader writes
// grey rows as it reads them (no second copy of the picture), checks the size its header claims
// against the limits before it allocates any pixel memory or reads past the header, and checks the
// decode's time budget and cancel flag as it goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/budget.h"

namespace pdf417 {

enum class PictureFormat { Bmp, Png, Jpeg, Pnm, Webp, Tiff, Unknown };

// The format the first bytes of a file show (a few bytes are enough; 16 tell every format).
PictureFormat FormatOf(const std::uint8_t* head, std::size_t size);

// Why a file of these first bytes is not read: names the format when the bytes tell it
// ("GIF is not supported; PNG, JPEG, BMP, Netpbm, WebP and TIFF are").
std::string UnsupportedFormatMessage(const std::uint8_t* head, std::size_t size);

// What one load may take: the most pixels, and the decode's budget (checked every row; a spent
// budget or a set flag throws BudgetStop).
struct LoadLimits {
  std::int64_t maxPixels = DecodeOptions{}.maxPixels;
  const Budget* budget = nullptr;

  void Check() const {
    if (budget != nullptr) budget->Check();
  }
  // Throws pdf417::Error (BadBitmap) naming `format` when `count` pixels (or samples held) are
  // more than maxPixels.
  void CheckPixels(const char* format, std::int64_t width, std::int64_t height,
                   std::int64_t count) const;
};

// Where a loader reads from: bytes in memory, or an open file (regular file, pipe or device)
// whose first bytes may already have been read into `head`. Not copyable: it holds a read
// position.
class PictureInput {
 public:
  PictureInput(const std::uint8_t* data, std::size_t size);
  // `fileSize` is the size of a regular file, -1 for a pipe or device.
  PictureInput(std::FILE* file, std::vector<std::uint8_t> head, std::int64_t fileSize);
  PictureInput(const PictureInput&) = delete;
  PictureInput& operator=(const PictureInput&) = delete;

  // The whole input when it is in memory, else null.
  const std::uint8_t* Memory() const { return file_ == nullptr ? data_ : nullptr; }
  std::size_t MemorySize() const { return size_; }
  // The first bytes of the input (all of it when it is in memory), whatever has been read since.
  const std::uint8_t* Head() const { return data_; }
  std::size_t HeadSize() const { return size_; }
  // The size of the whole input, or -1 when it is not known.
  std::int64_t Size() const { return size_known_; }

  // Reads up to `n` bytes into `out`; fewer only at the end. Throws pdf417::Error (FileRead).
  std::size_t Read(std::uint8_t* out, std::size_t n);
  // Skips up to `n` bytes (seeking a regular file); returns how many there were.
  std::uint64_t Skip(std::uint64_t n);

 private:
  const std::uint8_t* data_ = nullptr;  // memory, or the head read from the file
  std::size_t size_ = 0;
  std::size_t at_ = 0;
  std::vector<std::uint8_t> head_;
  std::FILE* file_ = nullptr;
  std::int64_t size_known_ = -1;
  std::uint64_t read_ = 0;  // from the file, after the head
};

// The whole input as bytes: its own memory, or the file read to its end into `store`.
struct WholeBytes {
  const std::uint8_t* data;
  std::size_t size;
};
WholeBytes ReadWholeInput(PictureInput& input, std::vector<std::uint8_t>& store);

// Each throws pdf417::Error (BadBitmap) with a message for people when the input is not a picture
// of its kind that we read, is larger than kMaxBitmapSide a side or limits.maxPixels, or is
// damaged; FileRead when the file cannot be read; BudgetStop when the budget is spent or the
// decode cancelled; std::bad_alloc when memory runs out.
GreyImage LoadPng(PictureInput& input, const LoadLimits& limits = {});
GreyImage LoadJpeg(PictureInput& input, const LoadLimits& limits = {});
// Bitmaps: colour tables are judged by their colours: the entries the pixels use are spread from
// the darkest (black) to the lightest (white), and a picture whose entries are all (nearly) the
// same colour comes out all white, a picture without contrast. Deeper pixels give their
// luminance.
GreyImage LoadBmp(PictureInput& input, const LoadLimits& limits = {});
// Netpbm: PBM, PGM and PPM, plain (P1 to P3) or binary (P4 to P6), samples of up to 16 bits; the
// first picture of the file.
GreyImage LoadPnm(PictureInput& input, const LoadLimits& limits = {});
// WebP, lossy or lossless, alpha composited on white; not animations. The file is read whole.
GreyImage LoadWebp(PictureInput& input, const LoadLimits& limits = {});

// Takes the pages of a picture in order: page (0-based) of pages, and its grey picture or the
// error that kept it from loading (exactly one of the two is set). Returns false to read no more
// pages.
using PageSink =
    std::function<bool(int page, int pages, const GreyImage* grey, const Error* failure)>;

// Every page of a TIFF held in memory (at most 1,000), each within the limits. A file that cannot
// be opened throws as the loaders do; a page that cannot be read goes to `sink` with its error,
// and the pages after it are still read when its directory could be.
void LoadTiffPages(const std::uint8_t* data, std::size_t size, const LoadLimits& limits,
                   const PageSink& sink);

// A whole picture file in memory, of any supported format.
GreyImage LoadPicture(const std::uint8_t* data, std::size_t size, const LoadLimits& limits = {});

// Every page of a picture in memory or a file: one for every format but TIFF. A picture that
// cannot be loaded at all throws as LoadPicture does; a TIFF page that cannot goes to `sink`.
void LoadPicturePages(const std::uint8_t* data, std::size_t size, const LoadLimits& limits,
                      const PageSink& sink);
void LoadPictureFilePages(const std::string& fileName, const LoadLimits& limits,
                          const PageSink& sink);

// A picture file, a pipe or a device. Reads the first bytes and refuses what is not a picture
// before reading on; a regular file over kMaxPictureFileBytes is refused by its size. Throws as
// the loaders do.
GreyImage LoadPictureFile(const std::string& fileName, const LoadLimits& limits = {});

}  // namespace pdf417
