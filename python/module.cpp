// The compiled module of the Python package `pdf417` (pdf417._pdf417): decode pictures (files,
// file bytes, NumPy arrays, PIL images) and encode data. Decoding and encoding run with the
// interpreter's lock released, so Python threads decode in parallel; decode_many runs its own pool
// of threads. A decode on the main thread can be interrupted with Ctrl-C.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "frontend/decode_pool.h"
#include "frontend/text_data.h"
#include "pdf417/common/error.h"
#include "pdf417/common/file_writer.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/symbol.h"
#include "pdf417/version.h"

namespace py = pybind11;

namespace {

// ---------------------------------------------------------------------------------------------
// Arguments: a wrong type raises TypeError and a wrong value ValueError, each naming the argument.

std::string TypeName(const py::handle& value) {
  return py::str(py::type::handle_of(value).attr("__name__"));
}

// An integer: int or another integer type (NumPy's), not bool, float or str.
int IntArg(const py::handle& value, const char* name) {
  if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr())) {
    throw py::type_error(std::string(name) + " must be an int, not " + TypeName(value));
  }
  int overflow = 0;
  const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!index) throw py::error_already_set();
  const long long v = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
  if (overflow != 0 || v < INT32_MIN || v > INT32_MAX) {
    throw py::value_error(std::string(name) +
                          " is out of range: " + py::str(index).cast<std::string>());
  }
  return static_cast<int>(v);
}

// True or False (NumPy's too), not a number or a str.
bool BoolArg(const py::handle& value, const char* name) {
  const std::string type = Py_TYPE(value.ptr())->tp_name;
  if (!PyBool_Check(value.ptr()) && type != "numpy.bool_" && type != "numpy.bool") {
    throw py::type_error(std::string(name) + " must be True or False, not " + TypeName(value));
  }
  return PyObject_IsTrue(value.ptr()) == 1;
}

std::string StrArg(const py::handle& value, const char* name) {
  if (!py::isinstance<py::str>(value)) {
    throw py::type_error(std::string(name) + " must be a str, not " + TypeName(value));
  }
  return value.cast<std::string>();
}

// ---------------------------------------------------------------------------------------------
// Decoding

pdf417::DecodeOptions OptionsOf(const py::object& timeout, const py::object& utf8) {
  pdf417::DecodeOptions options;
  if (!timeout.is_none()) {
    const char* what = "timeout must be a positive number of seconds or None";
    if (PyBool_Check(timeout.ptr())) throw py::type_error(std::string(what) + ", not bool");
    const double seconds = PyFloat_AsDouble(timeout.ptr());
    if (seconds == -1.0 && PyErr_Occurred()) {
      PyErr_Clear();
      throw py::type_error(std::string(what) + ", not " + TypeName(timeout));
    }
    if (!(seconds > 0) || !std::isfinite(seconds)) {
      throw py::value_error(std::string(what) + ", got " + py::repr(timeout).cast<std::string>());
    }
    options.timeoutSeconds = seconds;
  }
  // The text always follows the ECI designators (ISO 8859-1 without one), as the command-line
  // tool's --utf8; `utf8` is still checked, for callers that give it.
  BoolArg(utf8, "utf8");
  options.eciToUtf8 = true;
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
  if (height > pdf417::kMaxPictureSidePixels || width > pdf417::kMaxPictureSidePixels) {
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

// The library call for an input: every symbol of the picture, or the one result that says why
// there is none. The caller has released the interpreter's lock.
std::vector<pdf417::DecodeResult> DecodeInput(const Input& in,
                                              const pdf417::DecodeOptions& options) {
  try {
    switch (in.kind) {
      case Input::Kind::Path:
        return pdf417::Decode(in.path, options);
      case Input::Kind::FileBytes:
        return pdf417::Decode(in.fileData, in.fileSize, options);
      case Input::Kind::Pixels:
        return pdf417::Decode(in.pixels.view, options);
    }
  } catch (const std::bad_alloc&) {
    pdf417::DecodeResult r;
    r.status = pdf417::DecodeStatus::InternalError;
    r.message = "not enough memory to decode this picture";
    return {r};
  }
  return {};
}

// The main thread's helper: a thread, started by the first decode on the main thread and kept for
// the next (starting a thread a call would cost several times the hand-over), that runs one piece
// of work at a time while the main thread waits.
class Helper {
 public:
  // Hands `work` (which must not throw) to the helper; false when the helper is busy (a decode
  // from a signal handler while another one waits) or no thread can be started.
  bool Start(std::function<void()> work) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (busy_) return false;
    if (!started_) {
      try {
        std::thread([this] { Loop(); }).detach();
      } catch (const std::system_error&) {
        return false;
      }
      started_ = true;
    }
    work_ = std::move(work);
    busy_ = true;
    wake_.notify_one();
    return true;
  }

  // Whether the work has finished, waiting up to `wait` for it.
  bool Finished(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, wait, [this] { return !busy_; });
  }

 private:
  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return static_cast<bool>(work_); });
      std::function<void()> work = std::move(work_);
      work_ = nullptr;
      lock.unlock();
      work();
      lock.lock();
      busy_ = false;
      done_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::function<void()> work_;
  bool busy_ = false;  // work handed over and not finished
  bool started_ = false;
};

// The helper of this process, used by the main thread alone (holding the interpreter's lock). A
// child process made by fork has no helper thread, and the parent's mutex may have been held when
// it forked, so the child makes its own. Never destroyed: its thread waits on it to the end.
Helper* MainHelper() {
  static Helper* helper = nullptr;
  static pid_t owner = 0;
  if (helper == nullptr || owner != ::getpid()) {
    helper = new Helper;
    owner = ::getpid();
  }
  return helper;
}

bool OnMainThread() {
  const py::object threading = py::module_::import("threading");
  return threading.attr("get_ident")().equal(threading.attr("main_thread")().attr("ident"));
}

// Runs `work` with the interpreter's lock released, so that a signal's Python handler (Ctrl-C:
// KeyboardInterrupt) can stop it. Python runs those handlers on the main thread only, so there the
// work goes to the helper thread while this one wakes every 50 ms to let them run; a handler that
// raises sets `cancel` (which stops a decode at its next reading boundary) and, once the work has
// returned, its exception is raised. On other threads the work simply runs here.
template <typename F>
void RunInterruptibly(std::atomic<bool>& cancel, F&& work) {
  std::exception_ptr fault;
  const auto guarded = [&] {
    try {
      work();
    } catch (...) {
      fault = std::current_exception();
    }
  };
  Helper* helper = OnMainThread() ? MainHelper() : nullptr;
  if (helper == nullptr || !helper->Start(guarded)) {
    py::gil_scoped_release release;
    guarded();
  } else {
    bool interrupted = false;
    for (;;) {
      bool finished = false;
      {
        py::gil_scoped_release release;
        finished = helper->Finished(std::chrono::milliseconds(50));
      }
      if (finished) break;
      // The raised exception stays pending in this thread until the work has returned.
      if (!interrupted && PyErr_CheckSignals() != 0) {
        interrupted = true;
        cancel = true;
      }
    }
    if (interrupted) throw py::error_already_set();
  }
  if (fault) std::rethrow_exception(fault);
}

// The package's pure-Python classes (Results, Position, Point), defined before it imports this
// module.
py::object PackageClass(const char* name) { return py::module_::import("pdf417").attr(name); }

// What a decode returns: the symbols read, or an empty list whose `error` says why there are none.
py::object ResultsOf(std::vector<pdf417::DecodeResult>&& results) {
  py::list symbols;
  py::object error = py::none();
  if (results.size() == 1 && !results.front().ok()) {
    error = py::cast(std::move(results.front()));
  } else {
    for (pdf417::DecodeResult& r : results) symbols.append(py::cast(std::move(r)));
  }
  return PackageClass("Results")(symbols, error);
}

py::object Decode(const py::object& image, const py::object& timeout, const py::object& utf8) {
  pdf417::DecodeOptions options = OptionsOf(timeout, utf8);
  const Input in = InputOf(image);
  std::atomic<bool> cancel{false};
  options.cancel = &cancel;
  std::vector<pdf417::DecodeResult> results;
  RunInterruptibly(cancel, [&] { results = DecodeInput(in, options); });
  return ResultsOf(std::move(results));
}

py::list DecodeMany(const py::object& paths, const py::object& jobs, const py::object& timeout,
                    const py::object& utf8) {
  pdf417::DecodeOptions options = OptionsOf(timeout, utf8);
  int threads = pdf417::DefaultJobs();
  if (!jobs.is_none()) {
    threads = IntArg(jobs, "jobs");
    if (threads < 1)
      throw py::value_error("jobs must be at least 1, got " + std::to_string(threads));
  }
  // One path where a list of them belongs would be decoded letter by letter.
  if (py::isinstance<py::str>(paths) || py::isinstance<py::bytes>(paths) ||
      py::hasattr(paths, "__fspath__")) {
    throw py::type_error("decode_many() takes an iterable of paths, not one " + TypeName(paths) +
                         ": give [path], or call decode(path)");
  }
  if (!py::isinstance<py::iterable>(paths)) {
    throw py::type_error("decode_many() takes an iterable of paths, not " + TypeName(paths));
  }
  std::vector<Input> inputs;
  for (const py::handle item : paths) {
    const py::object object = py::reinterpret_borrow<py::object>(item);
    if (!py::isinstance<py::str>(object) && !py::hasattr(object, "__fspath__")) {
      throw py::type_error("decode_many() takes paths (str or os.PathLike), not " +
                           TypeName(object));
    }
    inputs.push_back(InputOf(object));
  }
  std::atomic<bool> cancel{false};
  options.cancel = &cancel;
  // Each path's symbols go to its own slot, written by the one thread that decodes it and read
  // once the pool has finished; the pool's own result only carries a fault out of the decode.
  std::vector<std::vector<pdf417::DecodeResult>> results(inputs.size());
  RunInterruptibly(cancel, [&] {
    pdf417::DecodeInOrder(
        inputs.size(), threads,
        [&](std::size_t i) {
          if (!cancel) results[i] = DecodeInput(inputs[i], options);  // interrupted: skip the rest
          return pdf417::DecodeResult();
        },
        [&](std::size_t i, pdf417::DecodeResult& r) {
          if (r.status == pdf417::DecodeStatus::InternalError) results[i] = {r};
        });
  });
  py::list out;
  for (std::vector<pdf417::DecodeResult>& r : results) out.append(ResultsOf(std::move(r)));
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
double CppSecondsPerDecode(const py::object& image, const py::object& count) {
  const int repeats = IntArg(count, "repeats");
  if (repeats < 1) throw py::value_error("repeats must be at least 1");
  const Input in = InputOf(image);
  const pdf417::DecodeOptions options;
  std::string failure;
  double spent = 0;
  {
    py::gil_scoped_release release;
    const double start = ThreadSeconds();
    for (int i = 0; i < repeats && failure.empty(); ++i) {
      const std::vector<pdf417::DecodeResult> r = DecodeInput(in, options);
      if (r.empty() || !r.front().ok()) failure = r.empty() ? "nothing" : r.front().message;
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

// What the bytes of a symbol are, as readers report it.
enum class ContentType { Text, Binary, Mixed, Iso15434, UnknownEci };

// Whether bytes read as text in ISO 8859-1, the character set of data without an ECI: printable
// characters, tab, line breaks, and the separators of structured data (EOT, FS, GS, RS, US).
bool Latin1Text(const std::string& bytes, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const bool text = (c >= 0x20 && c < 0x7F) || c >= 0xA0 || c == '\t' || c == '\n' || c == '\r' ||
                      c == 0x04 || (c >= 0x1C && c <= 0x1F);
    if (!text) return false;
  }
  return true;
}

// ISO 15434 data (a format envelope, "[)>" RS ...) as such; otherwise each stretch of the bytes
// under one ECI: text when its ECI names a character set (or, without one, when its bytes read as
// ISO 8859-1 text), binary under ECI 899 or when they do not; an ECI that names neither makes the
// whole unknown.
ContentType ContentOf(const pdf417::DecodeResult& r) {
  if (r.bytes.compare(0, 4, "[)>\x1e") == 0) return ContentType::Iso15434;
  constexpr int kNone = -1;
  constexpr int kBinaryEci = 899;
  bool text = false;
  bool binary = false;
  std::size_t start = 0;
  int eci = kNone;
  for (std::size_t i = 0; i <= r.eci.size(); ++i) {
    const std::size_t end = i < r.eci.size() ? r.eci[i].position : r.bytes.size();
    if (end > start) {
      if (eci == kBinaryEci) {
        binary = true;
      } else if (eci == kNone) {
        (Latin1Text(r.bytes, start, end) ? text : binary) = true;
      } else if (pdf417::EciCharset(eci) == nullptr) {
        return ContentType::UnknownEci;
      } else {
        text = true;
      }
    }
    if (i < r.eci.size()) {
      eci = r.eci[i].number;
      start = std::max(start, r.eci[i].position);
    }
  }
  return text && binary ? ContentType::Mixed : binary ? ContentType::Binary : ContentType::Text;
}

// The symbology identifier a reader sends before the data: ]L2 (no ECI, the bytes as they are) or
// ]L1 (the data carry ECI designators), for PDF417 and MicroPDF417 alike.
std::string SymbologyIdentifier(const pdf417::DecodeResult& r) {
  if (!r.ok()) return "";
  return r.eci.empty() ? "]L2" : "]L1";
}

py::object PositionOf(const pdf417::DecodeResult& r) {
  if (r.corners.size() != 4) return py::none();
  const py::object point = PackageClass("Point");
  py::list corners;
  for (const pdf417::PointF& p : r.corners) corners.append(point(p.x, p.y));
  return PackageClass("Position")(*corners);
}

py::object LevelOf(int level) { return level < 0 ? py::object(py::none()) : py::int_(level); }

// ---------------------------------------------------------------------------------------------
// Encoding

// A generated symbol: the encoder's module matrix and what the renderers draw of it. With
// `aspect` the drawing is the classic one-bit bitmap (Drawing::classicAspect: one pixel a
// module, `aspect` pixel rows a symbol row, its own quiet zone).
struct Symbol {
  pdf417::Symbol symbol;
  pdf417::Symbol drawn;
  int aspect = 0;  // 0: drawn with the drawing options
  py::array_t<std::uint8_t> modules;
  py::array_t<std::uint8_t> pixels;
};

// A colour as "RRGGBB", "#RRGGBB" or a sequence of three numbers 0 to 255.
pdf417::Colour ColourOf(const py::object& value, const char* name) {
  const std::string what = std::string(name) + " must be 'RRGGBB', '#RRGGBB' or (red, green, blue)";
  if (py::isinstance<py::str>(value)) {
    std::string hex = value.cast<std::string>();
    if (hex.size() == 7 && hex[0] == '#') hex.erase(0, 1);
    if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      throw py::value_error(what + ", got '" + value.cast<std::string>() + "'");
    }
    const unsigned long v = std::stoul(hex, nullptr, 16);
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
  }
  if (!py::isinstance<py::sequence>(value) || py::len(value) != 3) {
    throw py::type_error(what + ", not " + TypeName(value));
  }
  std::uint8_t c[3];
  for (int i = 0; i < 3; ++i) {
    const int v = IntArg(value[py::int_(i)], name);
    if (v < 0 || v > 255) throw py::value_error(what + ", got a component of " + std::to_string(v));
    c[i] = static_cast<std::uint8_t>(v);
  }
  return {c[0], c[1], c[2]};
}

// An optional number: None lets the encoder choose (`chosen`); a number below `least` is refused
// here, since the encoder reads some of them as its own choices; the encoder checks the rest.
int GivenOr(const py::object& value, const char* name, int least, int chosen) {
  if (value.is_none()) return chosen;
  const int v = IntArg(value, name);
  if (v < least) {
    throw py::value_error(std::string(name) + " must be at least " + std::to_string(least) +
                          ", or None to choose; got " + std::to_string(v));
  }
  return v;
}

// The data's bytes and the ECI designator written before them. str is encoded in the character
// set of the ECI given (Python's codec of the same name), or without one by the rule of the
// command-line tool (frontend/text_data.h): ISO 8859-1 with no ECI when every character is in it,
// otherwise UTF-8 under ECI 26. bytes are written as they are, under the ECI given, if any.
std::string DataOf(const py::object& data, const py::object& eci, int& number) {
  number = eci.is_none() ? -1 : IntArg(eci, "eci");
  if (!eci.is_none() && number < 0) {
    throw py::value_error("eci must be an ECI number (0 or more) or None, got " +
                          std::to_string(number));
  }
  if (py::isinstance<py::str>(data)) {
    if (number == -1) {
      const std::string utf8 = py::bytes(data.attr("encode")("utf-8"));
      textdata::SymbolText text = textdata::ForSymbol(utf8, textdata::Charset::Auto);
      number = text.eci;
      return std::move(text.bytes);
    }
    const char* charset = pdf417::EciCharset(number);
    if (charset == nullptr) {
      throw py::value_error("ECI " + std::to_string(number) +
                            " names no character set for str data: give the data as bytes");
    }
    return py::bytes(data.attr("encode")(charset));  // UnicodeEncodeError is a ValueError
  }
  if (py::isinstance<py::bytes>(data) || PyByteArray_Check(data.ptr()) ||
      PyMemoryView_Check(data.ptr())) {
    return BytesOf(data);
  }
  throw py::type_error("encode() takes str or bytes, not " +
                       py::str(py::type::handle_of(data).attr("__name__")).cast<std::string>());
}

// What the encoder does in a call with the interpreter's lock released; messages of refused
// data or options become ValueError.
template <typename F>
auto WithoutLock(F&& work) -> decltype(work()) {
  std::string refused;
  {
    py::gil_scoped_release release;
    try {
      return work();
    } catch (const pdf417::Error& e) {
      refused = e.what();
    }
  }
  throw py::value_error(refused);
}

bool SameColour(const pdf417::Colour& a, const pdf417::Colour& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// A colour's luminance (BT.601 weights, as the decoder makes grey of colour).
std::uint8_t Grey(const pdf417::Colour& c) {
  return static_cast<std::uint8_t>((77 * c.red + 150 * c.green + 29 * c.blue + 128) >> 8);
}

// The symbology asked for: 'pdf417', 'compact' or 'micro', or a Format; compact=True (the older
// spelling) makes PDF417 compact.
pdf417::Symbology SymbologyOf(const py::object& value, bool compact) {
  pdf417::Symbology symbology = pdf417::Symbology::Pdf417;
  if (py::isinstance<pdf417::Symbology>(value)) {
    symbology = value.cast<pdf417::Symbology>();
  } else {
    const std::string name = StrArg(value, "symbology");
    if (name == "compact") {
      symbology = pdf417::Symbology::CompactPdf417;
    } else if (name == "micro") {
      symbology = pdf417::Symbology::MicroPdf417;
    } else if (name != "pdf417") {
      throw py::value_error("symbology is 'pdf417', 'compact' or 'micro', not '" + name + "'");
    }
  }
  if (compact) {
    if (symbology == pdf417::Symbology::MicroPdf417) {
      throw py::value_error("compact is a form of PDF417; MicroPDF417 has none");
    }
    symbology = pdf417::Symbology::CompactPdf417;
  }
  return symbology;
}

Symbol Encode(const py::object& data, const py::object& symbology, const py::object& columns,
              const py::object& rows, const py::object& level, const py::object& compaction,
              const py::object& moduleWidth, const py::object& rowHeight,
              const py::object& quietZone, const py::object& fg, const py::object& bg,
              const py::object& rotate, const py::object& eci, const py::object& segmentIndex,
              const py::object& segmentCount, const py::object& fileId, const py::object& compact,
              const py::object& aspect) {
  pdf417::SymbolOptions o;
  const std::string bytes = DataOf(data, eci, o.eci);
  if (bytes.empty()) throw py::value_error("no data: give at least one byte or character");
  o.symbology = SymbologyOf(symbology, BoolArg(compact, "compact"));
  const std::string mode = StrArg(compaction, "compaction");
  if (mode == "byte") {
    o.compaction = pdf417::Compaction::Byte;
  } else if (mode != "auto") {
    throw py::value_error("compaction is 'auto' or 'byte', not '" + mode + "'");
  }
  o.columns = GivenOr(columns, "columns", 1, 0);
  o.rows = GivenOr(rows, "rows", 1, 0);
  o.level = GivenOr(level, "level", 0, -1);
  o.drawing.moduleWidth = IntArg(moduleWidth, "module_width");
  o.drawing.rowHeight = IntArg(rowHeight, "row_height");
  o.drawing.quietZone = IntArg(quietZone, "quiet_zone");
  o.drawing.foreground = ColourOf(fg, "fg");
  o.drawing.background = ColourOf(bg, "bg");
  const int degrees = IntArg(rotate, "rotate");
  if (degrees % 90 != 0 || degrees < 0 || degrees > 270) {
    throw py::value_error("rotate is 0, 90, 180 or 270, not " + std::to_string(degrees));
  }
  o.drawing.quarterTurns = degrees / 90;
  if (!segmentIndex.is_none() || !segmentCount.is_none()) {
    if (segmentIndex.is_none() || segmentCount.is_none()) {
      throw py::value_error("a Macro PDF417 segment needs both segment_index and segment_count");
    }
    o.macro.present = true;
    o.macro.index = IntArg(segmentIndex, "segment_index");
    o.macro.count = IntArg(segmentCount, "segment_count");
    if (o.macro.count >= 1 && (o.macro.index < 0 || o.macro.index >= o.macro.count)) {
      throw py::value_error(
          "segment_index counts from 0: 0 to " + std::to_string(o.macro.count - 1) + " for " +
          std::to_string(o.macro.count) + " segments, got " + std::to_string(o.macro.index));
    }
    if (!fileId.is_none()) o.macro.fileId = StrArg(fileId, "file_id");
  } else if (!fileId.is_none()) {
    throw py::value_error(
        "file_id belongs to a Macro PDF417 segment: give segment_index and "
        "segment_count too");
  }
  Symbol out;
  if (!aspect.is_none()) {
    out.aspect = IntArg(aspect, "aspect");
    if (out.aspect < 1) {
      throw py::value_error("aspect must be at least 1, got " + std::to_string(out.aspect));
    }
    const pdf417::Drawing plain;
    const pdf417::Drawing& d = o.drawing;
    if (o.symbology != pdf417::Symbology::Pdf417 || d.moduleWidth != plain.moduleWidth ||
        d.rowHeight != plain.rowHeight || d.quietZone != plain.quietZone || d.quarterTurns != 0 ||
        !SameColour(d.foreground, plain.foreground) ||
        !SameColour(d.background, plain.background)) {
      throw py::value_error(
          "aspect draws the classic black-on-white PDF417 bitmap: symbology, compact, "
          "module_width, row_height, quiet_zone, fg, bg and rotate do not apply to it");
    }
  }
  o.drawing.classicAspect = out.aspect;
  pdf417::Raster raster = WithoutLock([&] {
    out.symbol = pdf417::Encode(bytes, o);
    out.drawn = out.symbol;
    return pdf417::RasterOf(out.drawn);
  });
  const pdf417::Symbol& s = out.symbol;
  out.modules = py::array_t<std::uint8_t>({s.rows, s.width});
  std::copy(s.modules.begin(), s.modules.end(), out.modules.mutable_data());
  out.modules.attr("flags").attr("writeable") = false;
  const std::uint8_t shade[2] = {Grey(out.drawn.drawing.background),
                                 Grey(out.drawn.drawing.foreground)};
  out.pixels = py::array_t<std::uint8_t>({raster.height, raster.width});
  std::uint8_t* pixel = out.pixels.mutable_data();
  for (const std::uint8_t p : raster.pixels) *pixel++ = shade[p != 0];
  out.pixels.attr("flags").attr("writeable") = false;
  return out;
}

std::vector<std::uint8_t> Picture(const Symbol& s, pdf417::ImageFormat format) {
  return WithoutLock([&] { return pdf417::RenderImage(s.drawn, format); });
}

py::bytes BytesOfPicture(const std::vector<std::uint8_t>& picture) {
  return py::bytes(reinterpret_cast<const char*>(picture.data()), picture.size());
}

// The drawing as a PIL image: grey ("L") when black on white, as `pixels`; otherwise RGB in its
// colours (through the PNG file, whose palette holds them).
py::object ToPil(const Symbol& s) {
  const py::module_ image = py::module_::import("PIL.Image");
  const pdf417::Drawing plain;
  const pdf417::Drawing& d = s.drawn.drawing;
  if (SameColour(d.foreground, plain.foreground) && SameColour(d.background, plain.background)) {
    return image.attr("fromarray")(s.pixels.attr("copy")());
  }
  const py::object file = py::module_::import("io").attr("BytesIO")(
      BytesOfPicture(Picture(s, pdf417::ImageFormat::Png)));
  py::object picture = image.attr("open")(file);
  return picture.attr("convert")("RGB");
}

// NumPy's array interface over `pixels` (with the buffer protocol below): np.asarray(symbol) and
// PIL's Image.fromarray(symbol) read the drawing without a copy; the symbol stays alive as the
// array's base.
py::dict ArrayInterface(const Symbol& s) {
  py::dict d;
  d["shape"] = py::make_tuple(s.pixels.shape(0), s.pixels.shape(1));
  d["typestr"] = "|u1";
  d["data"] = py::make_tuple(reinterpret_cast<std::uintptr_t>(s.pixels.data()), true);
  d["version"] = 3;
  return d;
}

// Writes the picture in the format the name's extension says (.png, .svg, .bmp, any case; a
// bitmap without one), replacing the file atomically: a failed write raises OSError and leaves any
// previous file as it was.
void Save(const Symbol& symbol, const py::object& path) {
  const std::string name = PathOf(path);
  const std::size_t slash = name.find_last_of('/');
  const std::size_t dot = name.find_last_of('.');
  const bool bare = dot == std::string::npos || (slash != std::string::npos && dot < slash);
  pdf417::ImageFormat format = pdf417::ImageFormat::Bmp;
  if (!bare) {
    try {
      format = pdf417::FormatOfFileName(name);
    } catch (const pdf417::Error& e) {
      throw py::value_error(e.what());
    }
  }
  const std::vector<std::uint8_t> picture = Picture(symbol, format);
  std::string failure;
  {
    py::gil_scoped_release release;
    try {
      pdf417::WriteWholeFile(name, picture.data(), picture.size());
    } catch (const pdf417::Error& e) {
      failure = e.what();
    }
  }
  if (!failure.empty()) {
    PyErr_SetString(PyExc_OSError, failure.c_str());
    throw py::error_already_set();
  }
}

// A result's state for pickling: results cross process boundaries (multiprocessing, Dask).
py::dict StateOf(const pdf417::DecodeResult& r) {
  std::vector<py::tuple> eci;
  for (const pdf417::EciDesignator& e : r.eci) eci.push_back(py::make_tuple(e.number, e.position));
  std::vector<py::tuple> corners;
  for (const pdf417::PointF& p : r.corners) corners.push_back(py::make_tuple(p.x, p.y));
  py::dict d;
  d["status"] = static_cast<int>(r.status);
  d["message"] = py::bytes(r.message);
  d["bytes"] = py::bytes(r.bytes);
  d["symbology"] = static_cast<int>(r.symbology);
  d["shape"] = py::make_tuple(r.rows, r.columns, r.level, r.corrected, r.erasures);
  d["reading"] = r.reading;
  d["eci"] = eci;
  d["macro"] = py::make_tuple(r.macro.present, r.macro.segmentIndex, r.macro.fileId,
                              r.macro.lastSegment, r.macro.segmentCount);
  d["warnings"] = r.warnings;
  d["text"] = py::bytes(r.text);
  d["corners"] = corners;
  d["orientation"] = r.orientation;
  d["inverted"] = r.inverted;
  d["page"] = py::make_tuple(r.page, r.pages);
  return d;
}

pdf417::DecodeResult ResultOfState(const py::dict& d) {
  pdf417::DecodeResult r;
  r.status = static_cast<pdf417::DecodeStatus>(d["status"].cast<int>());
  r.message = d["message"].cast<std::string>();
  r.bytes = d["bytes"].cast<std::string>();
  r.symbology = static_cast<pdf417::Symbology>(d["symbology"].cast<int>());
  std::tie(r.rows, r.columns, r.level, r.corrected, r.erasures) =
      d["shape"].cast<std::tuple<int, int, int, int, int>>();
  r.reading = d["reading"].cast<std::string>();
  for (const py::handle e : d["eci"]) {
    r.eci.push_back({e[py::int_(0)].cast<int>(), e[py::int_(1)].cast<std::size_t>()});
  }
  std::tie(r.macro.present, r.macro.segmentIndex, r.macro.fileId, r.macro.lastSegment,
           r.macro.segmentCount) = d["macro"].cast<std::tuple<bool, int, std::string, bool, int>>();
  r.warnings = d["warnings"].cast<std::vector<std::string>>();
  r.text = d["text"].cast<std::string>();
  for (const py::handle p : d["corners"]) {
    r.corners.push_back({p[py::int_(0)].cast<double>(), p[py::int_(1)].cast<double>()});
  }
  r.orientation = d["orientation"].cast<double>();
  r.inverted = d["inverted"].cast<bool>();
  // States pickled before pages were read have none.
  if (d.contains("page")) std::tie(r.page, r.pages) = d["page"].cast<std::tuple<int, int>>();
  return r;
}

}  // namespace

PYBIND11_MODULE(_pdf417, m) {
  m.doc() = "The compiled part of the pdf417 package; import pdf417 instead.";
  m.attr("__version__") = PDF417_VERSION_STRING;

  // The classes say they belong to the package, where they are used and pickled from.
  const auto inPackage = [](py::object cls) { cls.attr("__module__") = "pdf417"; };

  inPackage(py::enum_<pdf417::DecodeStatus>(m, "Status", "How a decode ended.")
                .value("DECODED", pdf417::DecodeStatus::Decoded)
                .value("FILE_MISSING", pdf417::DecodeStatus::FileMissing)
                .value("FILE_UNREADABLE", pdf417::DecodeStatus::FileUnreadable)
                .value("NO_SYMBOL_FOUND", pdf417::DecodeStatus::NoSymbolFound)
                .value("NOT_CORRECTABLE", pdf417::DecodeStatus::NotCorrectable)
                .value("INTERNAL_ERROR", pdf417::DecodeStatus::InternalError)
                .value("TIME_BUDGET_SPENT", pdf417::DecodeStatus::TimeBudgetSpent)
                .value("CANCELLED", pdf417::DecodeStatus::Cancelled));
  inPackage(py::enum_<pdf417::Symbology>(m, "Format", "The symbology of a symbol.")
                .value("PDF417", pdf417::Symbology::Pdf417)
                .value("COMPACT_PDF417", pdf417::Symbology::CompactPdf417)
                .value("MICRO_PDF417", pdf417::Symbology::MicroPdf417));
  inPackage(py::enum_<ContentType>(m, "ContentType", "What the bytes of a symbol are.")
                .value("TEXT", ContentType::Text)
                .value("BINARY", ContentType::Binary)
                .value("MIXED", ContentType::Mixed)
                .value("ISO15434", ContentType::Iso15434)
                .value("UNKNOWN_ECI", ContentType::UnknownEci));

  using R = pdf417::DecodeResult;
  py::class_<R> result(m, "Result", "One symbol read from a picture, or why none was.");
  inPackage(result);
  result.def_property_readonly("ok", &R::ok)
      .def_readonly("status", &R::status)
      .def_property_readonly(
          "message",
          [](const R& r) {
            // A file name in the message may hold bytes that are not UTF-8.
            return py::reinterpret_steal<py::str>(PyUnicode_DecodeUTF8(
                r.message.data(), static_cast<Py_ssize_t>(r.message.size()), "surrogateescape"));
          })
      .def_property_readonly("bytes", [](const R& r) { return py::bytes(r.bytes); })
      .def_property_readonly("text", &TextOf)
      .def_readonly("format", &R::symbology)
      .def_property_readonly("content_type", &ContentOf)
      .def_property_readonly("symbology_identifier", &SymbologyIdentifier)
      .def_readonly("rows", &R::rows)
      .def_readonly("columns", &R::columns)
      .def_property_readonly("level", [](const R& r) { return LevelOf(r.level); })
      .def_property_readonly("ec_level",
                             [](const R& r) { return r.level < 0 ? "" : std::to_string(r.level); })
      .def_readonly("corrected", &R::corrected)
      .def_readonly("erasures", &R::erasures)
      .def_readonly("reading", &R::reading)
      .def_readonly("warnings", &R::warnings)
      .def_property_readonly("position", &PositionOf)
      .def_property_readonly(
          "orientation",
          [](const R& r) { return static_cast<int>(std::lround(r.orientation)) % 360; })
      .def_readonly("inverted", &R::inverted)
      .def_readonly("page", &R::page)
      .def_readonly("pages", &R::pages)
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
                               d["segment_count"] = r.macro.segmentCount > 0
                                                        ? py::object(py::int_(r.macro.segmentCount))
                                                        : py::object(py::none());
                               d["file_id"] = r.macro.fileId;
                               d["last_segment"] = r.macro.lastSegment;
                               return std::move(d);
                             })
      .def(py::pickle([](const R& r) { return StateOf(r); },
                      [](const py::dict& d) { return ResultOfState(d); }))
      .def("__repr__", [](const R& r) {
        std::string s = "<pdf417.Result " + StatusName(r.status);
        if (r.ok()) {
          s += ", " + std::to_string(r.bytes.size()) + " bytes, " + std::to_string(r.rows) +
               " rows, " + std::to_string(r.columns) + " columns";
          if (r.level >= 0) s += ", level " + std::to_string(r.level);
        } else {
          s += ": " + r.message;
        }
        return s + ">";
      });

  m.def("decode", &Decode, py::arg("image"), py::kw_only(), py::arg("timeout") = py::none(),
        py::arg("utf8") = false,
        "Reads the symbols in a picture and returns them as a Results list, one Result per\n"
        "symbol in page order; when there is none the list is empty and its `error` is the\n"
        "Result that says why (missing or unreadable file, no symbol, not correctable, ...).\n\n"
        "image: a path (str or os.PathLike), the bytes of a picture file, a uint8 NumPy array\n"
        "(H x W grey, H x W x 3 RGB or H x W x 4 RGBA, any strides) or a PIL image. A grey array\n"
        "whose rows are contiguous is read in place, without a copy.\n"
        "timeout: give up after this many seconds (loading a file included), with status\n"
        "TIME_BUDGET_SPENT. `text` is the bytes as text, each ECI segment read in its\n"
        "character set (ISO 8859-1 without a designator); utf8 is kept for older callers.\n"
        "Ctrl-C stops a decode on the main thread within a fraction of a second\n"
        "(KeyboardInterrupt). Only a wrong type, dtype or shape raises.");
  m.def("decode_many", &DecodeMany, py::arg("paths"), py::arg("jobs") = py::none(), py::kw_only(),
        py::arg("timeout") = py::none(), py::arg("utf8") = false,
        "Decodes many picture files on `jobs` threads (default: the number of cores) and returns\n"
        "one Results list per path, in the order given. A bad file never stops the others;\n"
        "timeout and utf8 apply to each file as in decode, and Ctrl-C stops them all.");
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

  py::class_<Symbol> symbol(m, "Symbol",
                            "A generated PDF417, compact PDF417 or MicroPDF417 symbol.",
                            py::buffer_protocol());
  inPackage(symbol);
  symbol
      .def_readonly("modules", &Symbol::modules,
                    "uint8 array (rows x modules per row): 1 for a dark module, no quiet zone")
      .def_readonly("pixels", &Symbol::pixels,
                    "uint8 array (height x width) of the drawing as grey: quiet zone, module\n"
                    "width, row height and rotation applied; 0 black, 255 white (colours as\n"
                    "their luminance)")
      .def_property_readonly("format", [](const Symbol& s) { return s.symbol.symbology; })
      .def_property_readonly("rows", [](const Symbol& s) { return s.symbol.rows; })
      .def_property_readonly("columns", [](const Symbol& s) { return s.symbol.columns; })
      .def_property_readonly(
          "level", [](const Symbol& s) { return LevelOf(s.symbol.level); },
          "The error-correction level; None for MicroPDF417, whose size fixes it.")
      .def_property_readonly("compact", [](const Symbol& s) { return s.symbol.compact; })
      .def_property_readonly(
          "codewords", [](const Symbol& s) { return py::cast(s.symbol.codewords); },
          "Every codeword, row by row: length descriptor (not in MicroPDF417), data, pads and\n"
          "control block, then error correction.")
      .def_property_readonly("data_codewords",
                             [](const Symbol& s) { return s.symbol.dataCodewords; })
      .def_property_readonly(
          "row_height", [](const Symbol& s) { return s.symbol.drawing.rowHeight; },
          "Modules per symbol row as drawn (raised for symbols of few rows).")
      .def_property_readonly(
          "aspect",
          [](const Symbol& s) -> py::object {
            if (s.aspect == 0) return py::none();
            return py::int_(s.aspect);
          },
          "Pixel rows per symbol row of the classic bitmap, or None.")
      .def_property_readonly("warnings", [](const Symbol& s) { return s.symbol.warnings; })
      .def_property_readonly("width", [](const Symbol& s) { return s.pixels.shape(1); })
      .def_property_readonly("height", [](const Symbol& s) { return s.pixels.shape(0); })
      .def(
          "__array__",
          [](const Symbol& s, const py::object& dtype, const py::object& copy) -> py::object {
            if (!dtype.is_none()) return s.pixels.attr("astype")(dtype);
            if (!copy.is_none() && copy.cast<bool>()) return s.pixels.attr("copy")();
            return s.pixels;
          },
          py::arg("dtype") = py::none(), py::arg("copy") = py::none())
      .def_property_readonly("__array_interface__", &ArrayInterface)
      .def_buffer([](const Symbol& s) {
        // The pixels, read-only, for memoryview(symbol) and for those that read the array
        // interface's data from the object itself (PIL's Image.fromarray).
        return py::buffer_info(const_cast<std::uint8_t*>(s.pixels.data()), 1, "B", 2,
                               {s.pixels.shape(0), s.pixels.shape(1)},
                               {s.pixels.strides(0), s.pixels.strides(1)}, true);
      })
      .def("to_pil", &ToPil,
           "The drawing as a PIL image: mode L when black on white, otherwise RGB in its colours.")
      .def(
          "to_bmp",
          [](const Symbol& s) { return BytesOfPicture(Picture(s, pdf417::ImageFormat::Bmp)); },
          "The one-bit bitmap file of the drawing.")
      .def(
          "to_png",
          [](const Symbol& s) { return BytesOfPicture(Picture(s, pdf417::ImageFormat::Png)); },
          "The PNG file of the drawing (two colours, one bit a pixel).")
      .def(
          "to_svg",
          [](const Symbol& s) {
            const std::vector<std::uint8_t> svg = Picture(s, pdf417::ImageFormat::Svg);
            return std::string(svg.begin(), svg.end());
          },
          "The SVG drawing: one path, one unit a module, module_width pixels a unit.")
      .def("save", &Save, py::arg("path"),
           "Writes the drawing as PNG, SVG or a bitmap file by the name's extension (a bitmap\n"
           "without one); the file is replaced atomically: a failed write raises OSError and\n"
           "leaves any previous file as it was. Other extensions raise ValueError.")
      .def("__repr__", [](const Symbol& s) {
        std::string level;
        if (s.symbol.level >= 0) level = ", level " + std::to_string(s.symbol.level);
        const std::string format = py::str(py::cast(s.symbol.symbology).attr("name"));
        return "<pdf417.Symbol " + format + ", " + std::to_string(s.symbol.rows) + " rows, " +
               std::to_string(s.symbol.columns) + " columns" + level + ", " +
               std::to_string(s.pixels.shape(1)) + " x " + std::to_string(s.pixels.shape(0)) +
               " pixels>";
      });

  const pdf417::Drawing drawing;
  m.def("encode", &Encode, py::arg("data"), py::kw_only(), py::arg("symbology") = "pdf417",
        py::arg("columns") = py::none(), py::arg("rows") = py::none(),
        py::arg("level") = py::none(), py::arg("compaction") = "auto",
        py::arg("module_width") = drawing.moduleWidth, py::arg("row_height") = drawing.rowHeight,
        py::arg("quiet_zone") = drawing.quietZone, py::arg("fg") = "000000",
        py::arg("bg") = "ffffff", py::arg("rotate") = 0, py::arg("eci") = py::none(),
        py::arg("segment_index") = py::none(), py::arg("segment_count") = py::none(),
        py::arg("file_id") = py::none(), py::arg("compact") = false, py::arg("aspect") = py::none(),
        "Encodes data as a PDF417, compact PDF417 or MicroPDF417 symbol; the options are those\n"
        "of `pdf417 encode`.\n\n"
        "data: bytes, written as they are (under `eci` when given); or str: in ISO 8859-1\n"
        "with no ECI when all its characters are in it (ASCII included), otherwise as UTF-8\n"
        "under ECI 26; or in the character set of the `eci` given (eci=3: ISO 8859-1, 32:\n"
        "GB 18030, ...). Empty data is refused.\n"
        "symbology: 'pdf417', 'compact' or 'micro' (MicroPDF417: 1 to 4 columns, 34 sizes of\n"
        "4 to 44 rows, each with its fixed error correction, so no level), or a pdf417.Format.\n"
        "columns (1 to 30; micro: 1 to 4), rows (3 to 90; micro: a size's), level (0 to 8):\n"
        "None chooses for the data.\n"
        "compaction: 'auto' (shortest mix of text, numeric and byte) or 'byte'.\n"
        "module_width: pixels a module (1 to 20); row_height: modules a row (2 to 20);\n"
        "quiet_zone: blank modules around (0 to 50); fg, bg: 'RRGGBB' or (r, g, b);\n"
        "rotate: 0, 90, 180 or 270 degrees clockwise.\n"
        "segment_index (from 0), segment_count and file_id (digits): a Macro PDF417 segment.\n"
        "compact: compact PDF417 (as symbology='compact'). aspect: the classic PDF417 bitmap\n"
        "instead of the drawing options, one pixel a module and `aspect` pixel rows a row.\n"
        "Raises TypeError for an argument of the wrong type and ValueError when the options\n"
        "are wrong or no symbol of them holds the data, each naming what is wrong.");
}
