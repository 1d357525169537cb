#include "cli/FileDecoder.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <QFile>
#include <QImage>

#include "engine/DecodeTrace.h"
#include "engine/Vornak.h"
#include "platform/DisplayText.h"
#include "platform/Overlay.h"
#include "platform/PictureFile.h"
#include "platform/QtBitmap.h"

namespace vornak::cli {

TFileDecoder::TFileDecoder(const TOptions& options)
    : FOptions(options), FVornak(std::make_unique<TVornak>()) {
  // In the window's order: Warp, then Resolver, then ForceVersion.
  FVornak->SetWarp(options.Warp);
  FVornak->SetResolver(options.Resolver);
  FVornak->SetForceVersion(options.ForceVersion);
  FVornak->SetClassic(options.Classic);
}

TFileDecoder::~TFileDecoder() = default;

TBitmap TFileDecoder::Crop(const TBitmap& bitmap, const TRegion& region) {
  const int64_t left = std::max<int64_t>(region.X, 0);
  const int64_t top = std::max<int64_t>(region.Y, 0);
  const int64_t right = std::min<int64_t>(int64_t{region.X} + region.Width, bitmap.Width());
  const int64_t bottom = std::min<int64_t>(int64_t{region.Y} + region.Height, bitmap.Height());
  if (right <= left || bottom <= top) return TBitmap();
  TBitmap cropped(static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top));
  for (int32_t y = 0; y < cropped.Height(); ++y) {
    const uint32_t* in = bitmap.Row(static_cast<int32_t>(top) + y) + left;
    std::copy(in, in + cropped.Width(), cropped.Row(y));
  }
  return cropped;
}

TFileResult TFileDecoder::DecodeFile(const std::string& file) {
  // Running out of memory on a huge picture must not end the whole run.
  try {
    return DecodeFileUnguarded(file);
  } catch (const std::exception& error) {
    TFileResult result;
    result.File = file;
    result.Error = "Cannot decode \"" + file + "\": " + error.what();
    return result;
  }
}

TPictureFile::TResult TFileDecoder::LoadStandardInput() {
  TPictureFile::TResult result;
  std::string bytes{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
  if (bytes.empty()) {
    result.Error = "Cannot read standard input: no data";
    return result;
  }
  // The loader reads files: it measures a file against the size its header
  // claims before decoding. A private file, gone as soon as it is read.
  const char* directory = std::getenv("TMPDIR");
  std::string name = std::string(directory != nullptr && *directory != 0 ? directory : "/tmp") +
                     "/vornak-stdin-XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    result.Error =
        "Cannot read standard input: no temporary file (" + std::string(std::strerror(errno)) + ")";
    return result;
  }
  bool written = true;
  for (size_t at = 0; at < bytes.size() && written;) {
    const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
    written = n > 0;
    if (written) at += static_cast<size_t>(n);
  }
  ::close(fd);
  if (written) result = TPictureFile::Load(name);
  ::unlink(name.c_str());
  if (!written) {
    result.Error = "Cannot read standard input: the temporary file could not be written";
    return result;
  }
  // The messages name the file; the user gave none.
  const std::string quoted = "\"" + name + "\"";
  for (size_t at; (at = result.Error.find(quoted)) != std::string::npos;)
    result.Error.replace(at, quoted.size(), "standard input");
  return result;
}

TFileResult TFileDecoder::DecodeFileUnguarded(const std::string& file) {
  TFileResult result;
  result.File = file;
  TPictureFile::TResult picture =
      file == kStandardInput ? LoadStandardInput() : TPictureFile::Load(file);
  if (!picture.Ok) {
    result.Error = picture.Error;
    return result;
  }
  TBitmap bitmap = std::move(picture.Bitmap);
  if (FOptions.HasRegion) {
    const TRegion& r = FOptions.Region;
    bitmap = Crop(bitmap, r);
    if (bitmap.Width() == 0) {
      result.Error = "The region " + std::to_string(r.X) + "," + std::to_string(r.Y) + "," +
                     std::to_string(r.Width) + "," + std::to_string(r.Height) + " lies outside \"" +
                     file + "\" (" + std::to_string(picture.Bitmap.Width()) + " x " +
                     std::to_string(picture.Bitmap.Height()) + ")";
      return result;
    }
  }
  result.Readable = true;

  const auto start = std::chrono::steady_clock::now();
  if (FOptions.All) {
    result.Symbols = FVornak->DecodeAll(bitmap);
    result.Ok = !result.Symbols.empty();
  } else {
    result.Ok = FVornak->Decode(bitmap);
  }
  const auto stop = std::chrono::steady_clock::now();
  result.Milliseconds = std::chrono::duration<double, std::milli>(stop - start).count();

  const TVornak& v = *FVornak;
  result.Bytes = v.ResultText();
  result.Text = TDisplayText::ToUtf8(v.ResultText(), v.Eci(), v.Hanzi());
  result.Error = v.ErrorText();
  result.Exception = v.ExceptionText();
  result.Pass = v.Pass();
  if (result.Ok) result.Kind = SymbolKindName(v.Kind());
  result.Version = v.Version();
  result.Level = v.Level();
  result.Mask = v.Mask();
  result.Eci = v.Eci();
  result.HasStructuredAppend = v.HasStructuredAppend();
  result.AppendIndex = v.AppendIndex();
  result.AppendTotal = v.AppendTotal();
  for (const TSymbolResult& symbol : result.Symbols)
    result.SymbolTexts.push_back(TDisplayText::ToUtf8(symbol.Text, symbol.Eci, symbol.Hanzi));
  // How far a failed decode got costs a finder search; only asked for here.
  if (FOptions.Json || !FOptions.Annotate.empty())
    result.Stage = TDecodeTrace::StageName(v.Trace().Stage());
  if (!FOptions.Annotate.empty()) {
    QImage annotated = TOverlay::Draw(TQtBitmap::ToQImage(bitmap), v.Trace(), TOverlay::TOptions());
    if (FOptions.All) annotated = TOverlay::DrawSymbols(annotated, result.Symbols);
    if (!annotated.save(QFile::decodeName(FOptions.Annotate.c_str()), "PNG"))
      result.AnnotateError = "Cannot write the annotated picture \"" + FOptions.Annotate + "\"";
  }
  return result;
}

void DecodeAll(const TOptions& options, const std::function<void(const TFileResult&)>& report) {
  const size_t count = options.Files.size();
  const size_t jobs = std::min<size_t>(static_cast<size_t>(std::max(options.Jobs, 1)), count);
  if (jobs <= 1) {
    TFileDecoder decoder(options);
    for (const std::string& file : options.Files) report(decoder.DecodeFile(file));
    return;
  }

  std::vector<std::optional<TFileResult>> results(count);
  std::mutex mutex;
  std::condition_variable done;
  std::atomic<size_t> next{0};
  auto work = [&] {
    TFileDecoder decoder(options);
    for (size_t i = next++; i < count; i = next++) {
      TFileResult result = decoder.DecodeFile(options.Files[i]);
      {
        std::lock_guard lock(mutex);
        results[i] = std::move(result);
      }
      done.notify_one();
    }
  };
  std::vector<std::jthread> workers;
  workers.reserve(jobs);
  for (size_t j = 0; j < jobs; ++j) workers.emplace_back(work);

  // Report in argument order while later files are still decoding.
  for (size_t i = 0; i < count; ++i) {
    std::unique_lock lock(mutex);
    done.wait(lock, [&] { return results[i].has_value(); });
    TFileResult result = std::move(*results[i]);
    results[i].reset();
    lock.unlock();
    report(result);
  }
}

}  // namespace vornak::cli
