// The vornak Python module: pictures (paths, file bytes, NumPy arrays) to
// the symbols the component reads, and structured-append parts to messages.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "engine/AppendMerger.h"
#include "engine/SymbolResult.h"
#include "engine/Vornak.h"
#include "platform/DisplayText.h"
#include "platform/PictureFile.h"
#include "symbol/RectTables.h"
#include "symbol/SymbolKind.h"

namespace py = pybind11;

namespace vornak {

namespace {

// The module's exception classes, created once at import.
PyObject* gError = nullptr;
PyObject* gNotFoundError = nullptr;
PyObject* gPictureError = nullptr;

[[noreturn]] void Raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

struct TOptions {
  int32_t Warp = 1;
  int32_t Resolver = 7;
  int32_t ForceVersion = 0;
  bool Classic = false;
};

// Colour over white by its alpha, as the picture loader lays transparency.
uint32_t OverWhite(uint32_t colour, uint32_t alpha) {
  return (colour * alpha + 255 * (255 - alpha) + 127) / 255;
}

// Grey HxW, RGB HxWx3 or RGBA HxWx4 of uint8, any strides.
TBitmap BitmapOfArray(const py::array& array) {
  if (array.dtype().kind() != 'u' || array.dtype().itemsize() != 1)
    throw py::type_error("a picture array must be of uint8, not " +
                         py::str(array.dtype()).cast<std::string>());
  const py::ssize_t dims = array.ndim();
  const bool grey = dims == 2;
  if (!grey && !(dims == 3 && (array.shape(2) == 3 || array.shape(2) == 4)))
    throw py::value_error(
        "a picture array must be grey (height x width), RGB (height x width x 3) or RGBA "
        "(height x width x 4)");
  const py::ssize_t height = array.shape(0);
  const py::ssize_t width = array.shape(1);
  if (height < 1 || width < 1 || height > TPictureFile::kMaxSide ||
      width > TPictureFile::kMaxSide || height * width > TPictureFile::kMaxPixels)
    throw py::value_error(
        "a picture array must hold 1 to " + std::to_string(TPictureFile::kMaxPixels / 1000000) +
        " megapixels, at most " + std::to_string(TPictureFile::kMaxSide) + " a side; this one is " +
        std::to_string(width) + " x " + std::to_string(height));
  const auto* base = static_cast<const uint8_t*>(array.data());
  const py::ssize_t rowStride = array.strides(0);
  const py::ssize_t columnStride = array.strides(1);
  const py::ssize_t channelStride = grey ? 0 : array.strides(2);
  const bool alpha = !grey && array.shape(2) == 4;
  TBitmap bitmap(static_cast<int32_t>(width), static_cast<int32_t>(height));
  for (py::ssize_t y = 0; y < height; ++y) {
    uint32_t* out = bitmap.Row(static_cast<int32_t>(y));
    const uint8_t* pixel = base + y * rowStride;
    for (py::ssize_t x = 0; x < width; ++x, pixel += columnStride) {
      if (grey) {
        out[x] = TBitmap::Rgb(pixel[0], pixel[0], pixel[0]);
        continue;
      }
      uint32_t red = pixel[0], green = pixel[channelStride], blue = pixel[2 * channelStride];
      if (alpha) {
        const uint32_t a = pixel[3 * channelStride];
        red = OverWhite(red, a), green = OverWhite(green, a), blue = OverWhite(blue, a);
      }
      out[x] = TBitmap::Rgb(red, green, blue);
    }
  }
  return bitmap;
}

// The loader reads files by name: the bytes go to an anonymous file in
// memory, never to disk, and are read through its descriptor's name. The
// message then speaks of the bytes rather than of that name.
TPictureFile::TResult LoadBytes(const char* data, size_t size) {
  TPictureFile::TResult result;
  const int fd = memfd_create("vornak-picture", MFD_CLOEXEC);
  if (fd < 0) {
    result.Error = std::string("Cannot read the picture's bytes: ") + std::strerror(errno);
    return result;
  }
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, data + written, size - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      result.Error = std::string("Cannot read the picture's bytes: ") + std::strerror(errno);
      close(fd);
      return result;
    }
    written += static_cast<size_t>(n);
  }
  const std::string name = "/proc/self/fd/" + std::to_string(fd);
  result = TPictureFile::Load(name);
  close(fd);
  for (size_t at = result.Error.find(name); at != std::string::npos;
       at = result.Error.find(name, at))
    result.Error.replace(at, name.size(), "<bytes>");
  return result;
}

TBitmap LoadedOrRaise(TPictureFile::TResult&& loaded) {
  if (!loaded.Ok) Raise(gPictureError, loaded.Error);
  return std::move(loaded.Bitmap);
}

// Any picture the module accepts, to a bitmap. Loading runs without the GIL.
TBitmap BitmapOf(const py::object& picture) {
  if (py::isinstance<py::array>(picture)) return BitmapOfArray(picture.cast<py::array>());
  if (py::isinstance<py::str>(picture) || py::hasattr(picture, "__fspath__")) {
    const std::string path =
        py::module_::import("os").attr("fsencode")(picture).cast<py::bytes>().cast<std::string>();
    TPictureFile::TResult loaded;
    {
      py::gil_scoped_release release;
      loaded = TPictureFile::Load(path);
    }
    return LoadedOrRaise(std::move(loaded));
  }
  if (PyObject_CheckBuffer(picture.ptr())) {
    // A contiguous copy, so that any buffer (a strided memoryview too) reads
    // as the bytes it holds, and outlives the released GIL.
    const auto copy = py::reinterpret_steal<py::bytes>(PyBytes_FromObject(picture.ptr()));
    if (!copy) throw py::error_already_set();
    const std::string bytes = copy.cast<std::string>();
    TPictureFile::TResult loaded;
    {
      py::gil_scoped_release release;
      loaded = LoadBytes(bytes.data(), bytes.size());
    }
    return LoadedOrRaise(std::move(loaded));
  }
  throw py::type_error(
      "a picture is a path, the bytes of a picture file or a NumPy array of uint8, not " +
      py::str(py::type::of(picture).attr("__name__")).cast<std::string>());
}

void Configure(TVornak& vornak, const TOptions& options) {
  vornak.SetWarp(options.Warp);
  vornak.SetResolver(options.Resolver);
  vornak.SetForceVersion(options.ForceVersion);
  vornak.SetClassic(options.Classic);
}

py::object Decode(const py::object& picture, bool all, const TOptions& options) {
  const TBitmap bitmap = BitmapOf(picture);
  if (all) {
    std::vector<TSymbolResult> results;
    {
      py::gil_scoped_release release;
      TVornak vornak;
      Configure(vornak, options);
      results = vornak.DecodeAll(bitmap);
    }
    return py::cast(std::move(results));
  }
  bool ok = false;
  TSymbolResult result;
  std::string error;
  {
    py::gil_scoped_release release;
    TVornak vornak;
    Configure(vornak, options);
    ok = vornak.Decode(bitmap);
    if (ok)
      result = vornak.Result();
    else
      error = vornak.ErrorText();
  }
  if (!ok) Raise(gNotFoundError, error);
  return py::cast(std::move(result));
}

std::vector<TAppendMerger::TMessage> Merge(const std::vector<TSymbolResult>& results) {
  TAppendMerger merger;
  for (const TSymbolResult& result : results) merger.Add(result);
  return merger.Messages();
}

const char* LevelName(int32_t level) {
  static constexpr const char* kNames[] = {"L", "M", "Q", "H"};
  return level >= 0 && level < 4 ? kNames[level] : "";
}

py::object OptionalEci(int32_t eci) { return eci < 0 ? py::none() : py::cast(eci); }

// Python's repr of a str, for the reprs below.
std::string Quoted(const std::string& utf8) { return py::repr(py::str(utf8)).cast<std::string>(); }

// The version as its kind names it: 7, M3, R13x77.
std::string VersionName(const TSymbolResult& result) {
  if (result.Kind == TSymbolKind::kMicro) return "M" + std::to_string(result.Version);
  if (result.Kind == TSymbolKind::kRect && rmqr::IsValidVersion(result.Version))
    return "R" + std::to_string(rmqr::SizeOf(result.Version).Height) + "x" +
           std::to_string(rmqr::SizeOf(result.Version).Width);
  return std::to_string(result.Version);
}

std::string ResultRepr(const TSymbolResult& result) {
  std::string text = "<vornak.Result " + std::string(SymbolKindName(result.Kind)) + " " +
                     VersionName(result) + "-" + LevelName(result.Level) + " mask " +
                     std::to_string(result.Mask);
  if (result.Eci >= 0) text += " ECI " + std::to_string(result.Eci);
  if (result.HasStructuredAppend)
    text += " part " + std::to_string(result.AppendIndex + 1) + " of " +
            std::to_string(result.AppendTotal);
  if (result.Mirrored) text += " mirrored";
  return text + " by " + result.Pass + ": " +
         Quoted(TDisplayText::ToUtf8(result.Text, result.Eci, result.Hanzi)) + ">";
}

std::string MessageRepr(const TAppendMerger::TMessage& message) {
  std::string text = "<vornak.Message of " + std::to_string(message.Total) + " parts, ";
  text += message.Complete ? "complete" : Quoted(message.Problem);
  return text + ": " + Quoted(TDisplayText::ToUtf8(message.Bytes, message.Eci, message.Hanzi)) +
         ">";
}

}  // namespace

}  // namespace vornak

PYBIND11_MODULE(vornak, m) {
  using namespace vornak;
  m.doc() = "Reads QR Codes, Micro QR Codes and rMQR Codes from pictures.";
  m.attr("__version__") = VORNAK_VERSION;

  gError =
      PyErr_NewExceptionWithDoc("vornak.Error", "What vornak raises.", PyExc_Exception, nullptr);
  gNotFoundError = PyErr_NewExceptionWithDoc(
      "vornak.NotFoundError", "No symbol could be read from the picture.", gError, nullptr);
  gPictureError = PyErr_NewExceptionWithDoc("vornak.PictureError",
                                            "The picture could not be loaded.", gError, nullptr);
  if (!gError || !gNotFoundError || !gPictureError) throw py::error_already_set();
  m.attr("Error") = py::handle(gError);
  m.attr("NotFoundError") = py::handle(gNotFoundError);
  m.attr("PictureError") = py::handle(gPictureError);

  py::class_<TSymbolResult>(m, "Result", "One symbol read from a picture.")
      .def_property_readonly(
          "text",
          [](const TSymbolResult& r) {
            return py::str(TDisplayText::ToUtf8(r.Text, r.Eci, r.Hanzi));
          },
          "The text, its bytes read in the charset the ECI names (else UTF-8, GB 2312 for "
          "Hanzi, Shift JIS).")
      .def_property_readonly(
          "bytes", [](const TSymbolResult& r) { return py::bytes(r.Text); },
          "The symbol's data as it was encoded.")
      .def_property_readonly(
          "version", [](const TSymbolResult& r) { return r.Version; },
          "1 to 40 (Model 1: 1 to 14; Micro QR Code: 1 to 4 for M1 to M4; rMQR Code: 1 to 32 "
          "for R7x43 to R17x139).")
      .def_property_readonly("level", [](const TSymbolResult& r) { return LevelName(r.Level); })
      .def_property_readonly("mask", [](const TSymbolResult& r) { return r.Mask; })
      .def_property_readonly("eci", [](const TSymbolResult& r) { return OptionalEci(r.Eci); })
      .def_property_readonly(
          "corners",
          [](const TSymbolResult& r) {
            py::list corners;
            for (const TPoint& p : r.Corners) corners.append(py::make_tuple(p.X, p.Y));
            return corners;
          },
          "The symbol's four corners in pixels: the corner finder's, the ends of its two "
          "axes, the fourth.")
      .def_property_readonly("kind", [](const TSymbolResult& r) { return SymbolKindName(r.Kind); })
      .def_property_readonly(
          "structured_append",
          [](const TSymbolResult& r) -> py::object {
            if (!r.HasStructuredAppend) return py::none();
            return py::make_tuple(r.AppendIndex, r.AppendTotal, r.AppendParity);
          },
          "None, or (index from 0, total, parity byte).")
      .def_property_readonly("pass_name", [](const TSymbolResult& r) { return r.Pass; })
      .def_property_readonly("mirrored", [](const TSymbolResult& r) { return r.Mirrored; })
      .def("__repr__", &ResultRepr);

  py::class_<TAppendMerger::TMessage>(m, "Message",
                                      "The message of structured-append parts joined.")
      .def_property_readonly(
          "text",
          [](const TAppendMerger::TMessage& message) {
            return py::str(TDisplayText::ToUtf8(message.Bytes, message.Eci, message.Hanzi));
          })
      .def_property_readonly(
          "bytes", [](const TAppendMerger::TMessage& message) { return py::bytes(message.Bytes); })
      .def_readonly("total", &TAppendMerger::TMessage::Total)
      .def_readonly("parity", &TAppendMerger::TMessage::Parity)
      .def_property_readonly(
          "eci", [](const TAppendMerger::TMessage& message) { return OptionalEci(message.Eci); })
      .def_readonly("found", &TAppendMerger::TMessage::Found)
      .def_readonly("complete", &TAppendMerger::TMessage::Complete)
      .def_readonly("problem", &TAppendMerger::TMessage::Problem)
      .def_readonly("refused", &TAppendMerger::TMessage::Refused)
      .def("__repr__", &MessageRepr);

  m.def(
      "decode",
      [](const py::object& picture, bool all, int32_t warp, int32_t resolver, int32_t forceVersion,
         bool classic) {
        return Decode(picture, all, TOptions{warp, resolver, forceVersion, classic});
      },
      py::arg("picture"), py::arg("all") = false, py::kw_only(), py::arg("warp") = 1,
      py::arg("resolver") = 7, py::arg("force_version") = 0, py::arg("classic") = false,
      R"(Reads a picture: a path, the bytes of a picture file, or a NumPy array of uint8
(grey HxW, RGB HxWx3, RGBA HxWx4 laid on white).

all=False returns the first symbol read and raises NotFoundError when none reads;
all=True returns every symbol in reading order, an empty list when none reads.
warp: the fourth corner's search radius (1..6); resolver: the binarization
offset (1..255); force_version: 1..40 forces that version, 0 detects it;
classic: the classic pipeline alone, without the passes for photographs.
A picture that cannot be loaded raises PictureError.)");

  m.def("merge", &Merge, py::arg("results"),
        "Joins structured-append parts (Results, from one picture or many) into their "
        "messages, in the order their first part came.");
}
