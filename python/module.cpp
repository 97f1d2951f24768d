// The Python module `pdf417`: decode pictures (files, file bytes, NumPy arrays, PIL images) and
// encode data. Decoding and encoding run with the interpreter's lock released, so Python threads
// decode in parallel; decode_many runs its own pool of threads.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "decode_pool.h"
#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace py = pybind11;

namespace {

// ---------------------------------------------------------------------------------------------
// Decoding

pdf417::DecodeOptions OptionsOf(const py::object& timeout, bool utf8) {
  pdf417::DecodeOptions options;
  if (!timeout.is_none()) {
    const double seconds = timeout.cast<double>();
    if (!(seconds > 0) || !std::isfinite(seconds)) {
      throw py::value_error("timeout must be a positive number of seconds or None");
    }
    options.timeoutSeconds = seconds;
  }
  options.eciToUtf8 = utf8;
  return options;
}

// How decode reads a NumPy array: straight from its memory when the rows are contiguous runs of
// pixels with a positive row stride, otherwise from a packed copy.
struct PixelPlan {
  pdf417::ImageView view;
  std::vector<std::uint8_t> copy;  // empty when the array is read in place
  bool copied = false;
};

PixelPlan PlanPixels(const py::array& array) {
  if (array.dtype().kind() != 'u' || array.dtype().itemsize() != 1) {
    throw py::type_error("decode() needs a uint8 array, not " +
                         py::str(array.dtype()).cast<std::string>());
  }
  const py::ssize_t dims = array.ndim();
  const py::ssize_t channels = dims == 3 ? array.shape(2) : 1;
  if (!(dims == 2 || (dims == 3 && (channels == 3 || channels == 4)))) {
    throw py::value_error(
        "decode() needs an array of shape (height, width) for grey or (height, width, 3 or 4) "
        "for RGB or RGBA, not " +
        py::str(py::tuple(py::cast(std::vector<py::ssize_t>(array.shape(), array.shape() + dims))))
            .cast<std::string>());
  }
  const py::ssize_t height = array.shape(0);
  const py::ssize_t width = array.shape(1);
  if (height < 1 || width < 1) throw py::value_error("decode() needs a picture of at least 1 x 1");
  if (height > pdf417::kMaxBitmapSide || width > pdf417::kMaxBitmapSide) {
    // Not misuse: the library reports the size; a tiny view keeps the copy from being made.
    PixelPlan plan;
    static const std::uint8_t kOnePixel = 255;
    plan.view.data = &kOnePixel;
    plan.view.width = static_cast<int>(width);
    plan.view.height = static_cast<int>(height);
    plan.view.format = pdf417::PixelFormat::Grey8;
    return plan;
  }

  PixelPlan plan;
  plan.view.width = static_cast<int>(width);
  plan.view.height = static_cast<int>(height);
  plan.view.format = channels == 1   ? pdf417::PixelFormat::Grey8
                     : channels == 3 ? pdf417::PixelFormat::RGB24
                                     : pdf417::PixelFormat::RGBA32;
  const py::ssize_t rowStride = array.strides(0);
  const py::ssize_t pixelStride = array.strides(1);
  const py::ssize_t channelStride = dims == 3 ? array.strides(2) : 1;
  const auto* base = static_cast<const std::uint8_t*>(array.data());
  if (pixelStride == channels && channelStride == 1 && rowStride >= width * channels) {
    plan.view.data = base;
    plan.view.stride = rowStride;
    return plan;
  }
  plan.copied = true;
  plan.copy.resize(static_cast<std::size_t>(height * width * channels));
  std::uint8_t* out = plan.copy.data();
  for (py::ssize_t r = 0; r < height; ++r) {
    for (py::ssize_t c = 0; c < width; ++c) {
      const std::uint8_t* in = base + r * rowStride + c * pixelStride;
      for (py::ssize_t k = 0; k < channels; ++k) *out++ = in[k * channelStride];
    }
  }
  plan.view.data = plan.copy.data();
  plan.view.stride = width * channels;
  return plan;
}

// A copy of a bytearray's or memoryview's content as bytes.
py::bytes BytesOf(const py::handle& object) {
  PyObject* bytes = PyBytes_FromObject(object.ptr());
  if (bytes == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::bytes>(bytes);
}

bool IsPilImage(const py::handle& image) {
  // A PIL image exists only once PIL.Image is imported; decode never imports PIL itself.
  const py::dict modules = py::module_::import("sys").attr("modules");
  return modules.contains("PIL.Image") && py::isinstance(image, modules["PIL.Image"].attr("Image"));
}

// A PIL image as an array decode reads: grey, RGB and RGBA as they are; pictures with
// transparency as RGBA; everything else (one-bit, palette, 16-bit, float) as grey.
py::array ArrayOfPil(py::object image) {
  const std::string mode = py::str(image.attr("mode"));
  if (mode != "L" && mode != "RGB" && mode != "RGBA") {
    const bool alpha = mode.find('A') != std::string::npos ||
                       image.attr("info").attr("__contains__")("transparency").cast<bool>();
    image = image.attr("convert")(alpha ? "RGBA" : "L");
  }
  return py::module_::import("numpy").attr("asarray")(image);
}

// What decode was given, ready to be decoded without the interpreter's lock.
struct Input {
  enum class Kind { Path, FileBytes, Pixels } kind = Kind::Path;
  std::string path;
  py::bytes bytes;  // kept alive (and immutable) while decoding
  const std::uint8_t* fileData = nullptr;
  std::size_t fileSize = 0;
  py::object keepAlive;  // the array whose memory a Pixels input reads
  PixelPlan pixels;
};

// Takes the address and size of the bytes while holding the lock; the decode reads them without.
void SetFileBytes(Input& in) {
  char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(in.bytes.ptr(), &data, &size) != 0) throw py::error_already_set();
  in.fileData = reinterpret_cast<const std::uint8_t*>(data);
  in.fileSize = static_cast<std::size_t>(size);
}

// A path as the file system's bytes (names that are not valid UTF-8 included).
std::string PathOf(const py::object& path) {
  std::string name = py::bytes(py::module_::import("os").attr("fsencode")(path));
  if (name.find('\0') != std::string::npos) throw py::value_error("embedded null byte in path");
  return name;
}

Input InputOf(const py::object& image) {
  Input in;
  if (py::isinstance<py::str>(image)) {
    in.path = PathOf(image);
    return in;
  }
  if (py::isinstance<py::bytes>(image)) {
    in.kind = Input::Kind::FileBytes;
    in.bytes = py::reinterpret_borrow<py::bytes>(image);
    SetFileBytes(in);
    return in;
  }
  if (PyByteArray_Check(image.ptr()) || PyMemoryView_Check(image.ptr())) {
    in.kind = Input::Kind::FileBytes;
    in.bytes = BytesOf(image);
    SetFileBytes(in);
    return in;
  }
  if (py::isinstance<py::array>(image) || IsPilImage(image)) {
    py::array array = py::isinstance<py::array>(image) ? py::reinterpret_borrow<py::array>(image)
                                                       : ArrayOfPil(image);
    in.kind = Input::Kind::Pixels;
    in.pixels = PlanPixels(array);
    in.keepAlive = array;
    return in;
  }
  if (py::hasattr(image, "__fspath__")) {
    in.path = PathOf(image);
    return in;
  }
  throw py::type_error(
      "decode() takes a path (str or os.PathLike), the bytes of a file, a NumPy array or a PIL "
      "image, not " +
      py::str(py::type::handle_of(image).attr("__name__")).cast<std::string>());
}

// The library call for an input; the caller has released the interpreter's lock.
pdf417::DecodeResult DecodeInput(const Input& in, const pdf417::DecodeOptions& options) {
  try {
    switch (in.kind) {
      case Input::Kind::Path:
        return pdf417::DecodePdf417Detailed(in.path);
      case Input::Kind::FileBytes:
        return pdf417::DecodePdf417FromBytes(in.fileData, in.fileSize);
      case Input::Kind::Pixels:
        return pdf417::DecodeImage(in.pixels.view, options);
    }
  } catch (const std::bad_alloc&) {
    pdf417::DecodeResult r;
    r.status = pdf417::DecodeStatus::InternalError;
    r.message = "not enough memory to decode this picture";
    return r;
  }
  return {};
}

py::list ResultList(pdf417::DecodeResult&& r) {
  py::list out;
  out.append(py::cast(std::move(r)));
  return out;
}

py::list Decode(const py::object& image, const py::object& timeout, bool utf8) {
  const pdf417::DecodeOptions options = OptionsOf(timeout, utf8);
  const Input in = InputOf(image);
  pdf417::DecodeResult r;
  {
    py::gil_scoped_release release;
    r = DecodeInput(in, options);
  }
  return ResultList(std::move(r));
}

py::list DecodeMany(const py::iterable& paths, const py::object& jobs, const py::object& timeout,
                    bool utf8) {
  const pdf417::DecodeOptions options = OptionsOf(timeout, utf8);
  int threads = pdf417::DefaultJobs();
  if (!jobs.is_none()) {
    threads = jobs.cast<int>();
    if (threads < 1) throw py::value_error("jobs must be at least 1");
  }
  std::vector<Input> inputs;
  for (const py::handle item : paths) {
    const py::object object = py::reinterpret_borrow<py::object>(item);
    if (!py::isinstance<py::str>(object) && !py::hasattr(object, "__fspath__")) {
      throw py::type_error(
          "decode_many() takes paths (str or os.PathLike), not " +
          py::str(py::type::handle_of(object).attr("__name__")).cast<std::string>());
    }
    inputs.push_back(InputOf(object));
  }
  std::vector<pdf417::DecodeResult> results(inputs.size());
  {
    py::gil_scoped_release release;
    pdf417::DecodeInOrder(
        inputs.size(), threads, [&](std::size_t i) { return DecodeInput(inputs[i], options); },
        [&](std::size_t i, pdf417::DecodeResult& r) { results[i] = std::move(r); });
  }
  py::list out;
  for (pdf417::DecodeResult& r : results) out.append(ResultList(std::move(r)));
  return out;
}

// CPU time of the calling thread, in seconds: unlike the wall clock it does not count the time
// other programs on a busy machine take.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// For the benchmark: CPU seconds (of this thread) per library call for what decode would do with
// `image`, over `repeats` calls.
double CppSecondsPerDecode(const py::object& image, int repeats) {
  if (repeats < 1) throw py::value_error("repeats must be at least 1");
  const Input in = InputOf(image);
  const pdf417::DecodeOptions options;
  std::string failure;
  double spent = 0;
  {
    py::gil_scoped_release release;
    const double start = ThreadSeconds();
    for (int i = 0; i < repeats && failure.empty(); ++i) {
      const pdf417::DecodeResult r = DecodeInput(in, options);
      if (!r.ok()) failure = r.message;
    }
    spent = ThreadSeconds() - start;
  }
  if (!failure.empty()) throw py::value_error("the benchmark picture does not decode: " + failure);
  return spent / repeats;
}

py::object TextOf(const pdf417::DecodeResult& r) {
  if (!r.text.empty()) return py::str(r.text);
  if (!r.ok()) return py::none();
  PyObject* text =
      PyUnicode_DecodeUTF8(r.bytes.data(), static_cast<Py_ssize_t>(r.bytes.size()), "strict");
  if (text == nullptr) {
    PyErr_Clear();
    return py::none();
  }
  return py::reinterpret_steal<py::object>(text);
}

std::string StatusName(pdf417::DecodeStatus status) {
  return py::str(py::cast(status).attr("name"));
}

// ---------------------------------------------------------------------------------------------
// Encoding

// A generated symbol: its pixels (0 black, 255 white, one pixel per module, `aspect` pixel rows
// per symbol row, with the quiet zone) and the bitmap file the encoder made of them.
struct Symbol {
  std::vector<std::uint8_t> bmp;
  py::array_t<std::uint8_t> pixels;
  int rows = 0;
  int columns = 0;
  int level = 0;
  int aspect = 0;
};

// The pixels of the one-bit bitmap file the encoder just wrote, top row first.
std::vector<std::uint8_t> PixelsOfBitmap(const std::vector<std::uint8_t>& bmp, int& width,
                                         int& height) {
  const pdf417::BitMpHead head = pdf417::ReadFileHeader(bmp.data());
  const pdf417::BitMpInfoHead info = pdf417::ReadInfoHeader(bmp.data() + pdf417::kFileHeaderSize);
  width = info.biWidth;
  height = info.biHeight < 0 ? -info.biHeight : info.biHeight;
  const std::uint8_t* palette = bmp.data() + pdf417::kFileHeaderSize + info.biSize;
  std::uint8_t grey[2];
  for (int i = 0; i < 2; ++i) {
    const std::uint8_t* bgr = palette + 4 * i;
    grey[i] = static_cast<std::uint8_t>((29 * bgr[0] + 150 * bgr[1] + 77 * bgr[2] + 128) >> 8);
  }
  const std::int64_t stride = pdf417::BitmapStride(width, 1);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
  for (int r = 0; r < height; ++r) {
    const int stored = info.biHeight < 0 ? r : height - 1 - r;
    const std::uint8_t* row = bmp.data() + head.bfOffBits + stored * stride;
    for (int c = 0; c < width; ++c) {
      pixels[static_cast<std::size_t>(r) * width + c] = grey[(row[c >> 3] >> (7 - (c & 7))) & 1];
    }
  }
  return pixels;
}

Symbol Encode(const py::object& data, int columns, int level, int aspect) {
  std::string bytes;
  if (py::isinstance<py::str>(data)) {
    bytes = data.cast<std::string>();  // UTF-8
  } else if (py::isinstance<py::bytes>(data) || PyByteArray_Check(data.ptr()) ||
             PyMemoryView_Check(data.ptr())) {
    bytes = BytesOf(data);
  } else {
    throw py::type_error("encode() takes str or bytes, not " +
                         py::str(py::type::handle_of(data).attr("__name__")).cast<std::string>());
  }
  if (bytes.size() > static_cast<std::size_t>(pdf417::kMaxCodewords) * 2) {
    throw py::value_error("encode(): " + std::to_string(bytes.size()) +
                          " bytes are more than any symbol holds");
  }
  Symbol symbol;
  symbol.columns = columns;
  symbol.level = level;
  symbol.aspect = aspect;
  std::vector<std::uint8_t> pixels;
  int width = 0;
  int height = 0;
  std::string refused;
  {
    py::gil_scoped_release release;
    try {
      const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());
      const int length = static_cast<int>(bytes.size());
      const pdf417::CodewordSequence sequence =
          pdf417::BuildCodewords(in, length, columns, level, aspect);
      symbol.rows = static_cast<int>(sequence.size()) / columns;
      symbol.bmp = pdf417::RenderSymbolImage(columns, level, sequence, aspect);
      pixels = PixelsOfBitmap(symbol.bmp, width, height);
    } catch (const pdf417::Error& e) {
      refused = e.what();
    }
  }
  if (!refused.empty()) throw py::value_error("encode(): " + refused);
  symbol.pixels = py::array_t<std::uint8_t>({height, width});
  std::copy(pixels.begin(), pixels.end(), symbol.pixels.mutable_data());
  symbol.pixels.attr("flags").attr("writeable") = false;
  return symbol;
}

py::bytes PngOf(const Symbol& symbol) {
  const py::object image = py::module_::import("PIL.Image").attr("fromarray")(symbol.pixels);
  const py::object buffer = py::module_::import("io").attr("BytesIO")();
  image.attr("save")(buffer, "PNG");
  return buffer.attr("getvalue")();
}

// Writes the symbol as a PNG file when the name ends in .png, else as a bitmap file. The file is
// replaced atomically: a failed write leaves any previous file as it was.
void Save(const Symbol& symbol, const py::object& path) {
  const std::string name = PathOf(path);
  std::string suffix = name.size() >= 4 ? name.substr(name.size() - 4) : std::string();
  for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string content = suffix == ".png" ? std::string(PngOf(symbol))
                                               : std::string(symbol.bmp.begin(), symbol.bmp.end());
  std::string failure;
  {
    py::gil_scoped_release release;
    try {
      pdf417::WriteWholeFile(name, reinterpret_cast<const std::uint8_t*>(content.data()),
                             content.size());
    } catch (const pdf417::Error& e) {
      failure = e.what();
    }
  }
  if (!failure.empty()) {
    PyErr_SetString(PyExc_OSError, failure.c_str());
    throw py::error_already_set();
  }
}

}  // namespace

PYBIND11_MODULE(pdf417, m) {
  m.doc() =
      "PDF417 barcodes: decode(image) reads the symbol in a picture, encode(data) makes one.\n"
      "Decoding and encoding release the interpreter's lock, so threads run in parallel.";

  py::enum_<pdf417::DecodeStatus>(m, "Status", "How a decode ended.")
      .value("DECODED", pdf417::DecodeStatus::Decoded)
      .value("FILE_MISSING", pdf417::DecodeStatus::FileMissing)
      .value("FILE_UNREADABLE", pdf417::DecodeStatus::FileUnreadable)
      .value("NO_SYMBOL_FOUND", pdf417::DecodeStatus::NoSymbolFound)
      .value("NOT_CORRECTABLE", pdf417::DecodeStatus::NotCorrectable)
      .value("INTERNAL_ERROR", pdf417::DecodeStatus::InternalError)
      .value("TIME_BUDGET_SPENT", pdf417::DecodeStatus::TimeBudgetSpent)
      .value("CANCELLED", pdf417::DecodeStatus::Cancelled);

  using R = pdf417::DecodeResult;
  py::class_<R>(m, "Result", "One symbol read from a picture, or why none was.")
      .def_property_readonly("ok", &R::ok)
      .def_readonly("status", &R::status)
      .def_readonly("message", &R::message)
      .def_property_readonly("bytes", [](const R& r) { return py::bytes(r.bytes); })
      .def_property_readonly("text", &TextOf)
      .def_readonly("rows", &R::rows)
      .def_readonly("columns", &R::columns)
      .def_readonly("level", &R::level)
      .def_readonly("corrected", &R::corrected)
      .def_readonly("erasures", &R::erasures)
      .def_readonly("reading", &R::reading)
      .def_readonly("warnings", &R::warnings)
      .def_property_readonly("corners",
                             [](const R& r) {
                               py::list out;
                               for (const pdf417::PointF& p : r.corners) {
                                 out.append(py::make_tuple(p.x, p.y));
                               }
                               return out;
                             })
      .def_property_readonly("eci",
                             [](const R& r) {
                               py::list out;
                               for (const pdf417::EciDesignator& e : r.eci) {
                                 out.append(py::make_tuple(e.number, e.position));
                               }
                               return out;
                             })
      .def_property_readonly("macro",
                             [](const R& r) -> py::object {
                               if (!r.macro.present) return py::none();
                               py::dict d;
                               d["segment_index"] = r.macro.segmentIndex;
                               d["file_id"] = r.macro.fileId;
                               d["last_segment"] = r.macro.lastSegment;
                               return std::move(d);
                             })
      .def(py::pickle(
          // Results cross process boundaries (multiprocessing, Dask) as plain tuples.
          [](const R& r) {
            std::vector<py::tuple> eci;
            for (const pdf417::EciDesignator& e : r.eci)
              eci.push_back(py::make_tuple(e.number, e.position));
            std::vector<py::tuple> corners;
            for (const pdf417::PointF& p : r.corners) corners.push_back(py::make_tuple(p.x, p.y));
            return py::make_tuple(static_cast<int>(r.status), r.message, py::bytes(r.bytes), r.rows,
                                  r.columns, r.level, r.corrected, r.reading, eci,
                                  py::make_tuple(r.macro.present, r.macro.segmentIndex,
                                                 r.macro.fileId, r.macro.lastSegment),
                                  r.erasures, r.warnings, r.text, corners);
          },
          [](const py::tuple& t) {
            if (t.size() != 14) throw std::runtime_error("not a pickled pdf417.Result");
            R r;
            r.status = static_cast<pdf417::DecodeStatus>(t[0].cast<int>());
            r.message = t[1].cast<std::string>();
            r.bytes = t[2].cast<std::string>();
            r.rows = t[3].cast<int>();
            r.columns = t[4].cast<int>();
            r.level = t[5].cast<int>();
            r.corrected = t[6].cast<int>();
            r.reading = t[7].cast<std::string>();
            for (const py::handle e : t[8]) {
              r.eci.push_back({e[py::int_(0)].cast<int>(), e[py::int_(1)].cast<std::size_t>()});
            }
            const py::tuple macro = t[9];
            r.macro = {macro[0].cast<bool>(), macro[1].cast<int>(), macro[2].cast<std::string>(),
                       macro[3].cast<bool>()};
            r.erasures = t[10].cast<int>();
            r.warnings = t[11].cast<std::vector<std::string>>();
            r.text = t[12].cast<std::string>();
            for (const py::handle p : t[13]) {
              r.corners.push_back({p[py::int_(0)].cast<double>(), p[py::int_(1)].cast<double>()});
            }
            return r;
          }))
      .def("__repr__", [](const R& r) {
        std::string s = "<pdf417.Result " + StatusName(r.status);
        if (r.ok()) {
          s += ", " + std::to_string(r.bytes.size()) + " bytes, " + std::to_string(r.rows) +
               " rows, " + std::to_string(r.columns) + " columns, level " + std::to_string(r.level);
        } else {
          s += ": " + r.message;
        }
        return s + ">";
      });

  m.def("decode", &Decode, py::arg("image"), py::kw_only(), py::arg("timeout") = py::none(),
        py::arg("utf8") = false,
        "Reads the PDF417 symbol in a picture and returns a list of results (one today).\n\n"
        "image: a path (str or os.PathLike), the bytes of a picture file, a uint8 NumPy array\n"
        "(H x W grey, H x W x 3 RGB or H x W x 4 RGBA, any strides) or a PIL image. A grey array\n"
        "whose rows are contiguous is read in place, without a copy. timeout (seconds) and utf8\n"
        "(convert ECI segments to UTF-8 text) apply to arrays and PIL images. A picture without a\n"
        "symbol gives a result whose status says so; only a wrong type, dtype or shape raises.");
  m.def("decode_many", &DecodeMany, py::arg("paths"), py::arg("jobs") = py::none(), py::kw_only(),
        py::arg("timeout") = py::none(), py::arg("utf8") = false,
        "Decodes many picture files on `jobs` threads (default: the number of cores) and returns\n"
        "one list of results per path, in the order given. A bad file never stops the others.");
  m.def("_cpp_seconds_per_decode", &CppSecondsPerDecode, py::arg("image"), py::arg("repeats"),
        "Benchmark aid: CPU seconds of this thread per library call for what decode(image)\n"
        "does, timed in C++.");
  m.def(
      "_view_of",
      [](const py::object& image) {
        const Input in = InputOf(image);
        if (in.kind != Input::Kind::Pixels) throw py::type_error("_view_of() takes an array");
        const char* names[] = {"Grey8", "RGB24", "BGR24", "RGBA32", "BGRA32"};
        py::dict d;
        d["format"] = names[static_cast<int>(in.pixels.view.format)];
        d["copied"] = in.pixels.copied;
        d["data"] = reinterpret_cast<std::uintptr_t>(in.pixels.view.data);
        d["stride"] = in.pixels.view.stride;
        return d;
      },
      py::arg("image"),
      "How decode reads a picture: its pixel format, whether it copies the pixels, the address\n"
      "it reads from and the row stride.");

  py::class_<Symbol>(m, "Symbol", "A generated PDF417 symbol.")
      .def_readonly("pixels", &Symbol::pixels,
                    "uint8 array (height x width): 0 black, 255 white, one pixel per module and\n"
                    "`aspect` pixel rows per symbol row, with the quiet zone")
      .def_readonly("rows", &Symbol::rows)
      .def_readonly("columns", &Symbol::columns)
      .def_readonly("level", &Symbol::level)
      .def_readonly("aspect", &Symbol::aspect)
      .def_property_readonly("width", [](const Symbol& s) { return s.pixels.shape(1); })
      .def_property_readonly("height", [](const Symbol& s) { return s.pixels.shape(0); })
      .def("__array__", [](const Symbol& s, const py::args&) { return s.pixels; })
      .def(
          "to_bmp",
          [](const Symbol& s) {
            return py::bytes(reinterpret_cast<const char*>(s.bmp.data()), s.bmp.size());
          },
          "The one-bit bitmap file of the symbol.")
      .def("to_png", &PngOf, "The PNG file of the symbol (needs PIL).")
      .def("save", &Save, py::arg("path"),
           "Writes the symbol as PNG when the name ends in .png, else as a bitmap file; a failed\n"
           "write raises OSError and leaves any previous file as it was.")
      .def("__repr__", [](const Symbol& s) {
        return "<pdf417.Symbol " + std::to_string(s.rows) + " rows, " + std::to_string(s.columns) +
               " columns, level " + std::to_string(s.level) + ", " +
               std::to_string(s.pixels.shape(1)) + " x " + std::to_string(s.pixels.shape(0)) +
               " pixels>";
      });

  m.def("encode", &Encode, py::arg("data"), py::kw_only(), py::arg("columns") = 5,
        py::arg("level") = 1, py::arg("aspect") = 3,
        "Encodes bytes (or str, as UTF-8) as a PDF417 symbol: `columns` data columns (1 to 30),\n"
        "error-correction `level` (0 to 8), `aspect` pixel rows per symbol row. Raises\n"
        "ValueError when no symbol can hold the data with these options.");
}
