#pragma once

#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "common/Types.h"

class QTimer;

namespace vornak::apptest {

// Watches for a modal window of a given kind and runs an action on it from
// inside its event loop. Stops watching when destroyed.
class TModalWatch {
 public:
  using TMatch = std::function<bool(QWidget*)>;
  using TAction = std::function<void(QWidget*)>;

  TModalWatch(TMatch match, TAction action);
  ~TModalWatch();
  TModalWatch(const TModalWatch&) = delete;
  TModalWatch& operator=(const TModalWatch&) = delete;

  bool Fired() const { return *FFired; }

 private:
  std::shared_ptr<bool> FFired;
  QTimer* FTimer;
};

// Runs action on the next modal widget of type T.
template <typename T>
std::unique_ptr<TModalWatch> OnModal(std::function<void(T*)> action) {
  return std::make_unique<TModalWatch>(
      [](QWidget* widget) { return qobject_cast<T*>(widget) != nullptr; },
      [action](QWidget* widget) { action(qobject_cast<T*>(widget)); });
}

// A picture of a QR symbol made by an independent encoder (libqrcodegen),
// rendered black on white, placed in a picture of the given size with its
// centre shifted by (offsetX, offsetY). Also gives the symbol's pixel extent.
struct TSymbolPicture {
  TBitmap Bitmap;
  QImage Image;
  QRect SymbolArea;  // the symbol with its quiet zone
};
TSymbolPicture MakeSymbolPicture(const std::string& text, int width, int height, int offsetX,
                                 int offsetY, uint32_t dark = 0x000000, uint32_t light = 0xFFFFFF);
// The same for a module matrix made elsewhere.
TSymbolPicture MakeMatrixPicture(const TPlaneBoolean& matrix, int width, int height, int offsetX,
                                 int offsetY, uint32_t dark = 0x000000, uint32_t light = 0xFFFFFF);

// Saves a picture; format "BMP" or "JPEG" (quality 95). Returns the path.
QString SavePicture(const QTemporaryDir& dir, const QString& name, const QImage& image,
                    const char* format);

// A plain picture with a few grey shapes and no symbol.
QImage PlainPicture(int width, int height);

// The widget as it is drawn on screen, in 32-bit RGB.
QImage Grab(QWidget* widget);

// Lets queued events run for a moment.
void Settle(int milliseconds = 20);

}  // namespace vornak::apptest

// Readable test output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
