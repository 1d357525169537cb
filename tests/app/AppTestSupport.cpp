#include "tests/app/AppTestSupport.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <QTimer>

#include "platform/QtBitmap.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"

namespace vornak::apptest {

namespace {

// One application object for the whole test program, on the offscreen
// platform unless the environment asks for another.
class TQtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    FApplication = std::make_unique<QApplication>(FArgc, FArgv);
  }
  void TearDown() override { FApplication.reset(); }

 private:
  int FArgc = 1;
  char FName[9] = "test_app";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<QApplication> FApplication;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

}  // namespace

TModalWatch::TModalWatch(TMatch match, TAction action)
    : FFired(std::make_shared<bool>(false)), FTimer(new QTimer) {
  FTimer->setInterval(5);
  QTimer* timer = FTimer;
  std::shared_ptr<bool> fired = FFired;
  QObject::connect(timer, &QTimer::timeout, [timer, fired, match, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (*fired || modal == nullptr || !modal->isVisible() || !match(modal)) return;
    *fired = true;
    timer->stop();
    action(modal);
  });
  FTimer->start();
}

TModalWatch::~TModalWatch() {
  FTimer->stop();
  FTimer->deleteLater();
}

TSymbolPicture MakeSymbolPicture(const std::string& text, int width, int height, int offsetX,
                                 int offsetY, uint32_t dark, uint32_t light) {
  return MakeMatrixPicture(test::Make(text, 2, 1, 3).Matrix, width, height, offsetX, offsetY, dark,
                           light);
}

TSymbolPicture MakeMatrixPicture(const TPlaneBoolean& matrix, int width, int height, int offsetX,
                                 int offsetY, uint32_t dark, uint32_t light) {
  test::TRenderOptions options;
  options.ModuleSize = 4.0;
  options.QuietZone = 4;
  options.Width = width;
  options.Height = height;
  options.OffsetX = offsetX;
  options.OffsetY = offsetY;
  options.Supersample = 1;
  options.DarkColour = dark;
  options.LightColour = light;
  TSymbolPicture picture;
  picture.Bitmap = test::RenderBitmap(matrix, options);
  picture.Image = TQtBitmap::ToQImage(picture.Bitmap);
  const int side = matrix.Width();
  const test::TPointF topLeft =
      test::ModuleToPixel(side, options, -options.QuietZone, -options.QuietZone);
  const test::TPointF bottomRight =
      test::ModuleToPixel(side, options, side + options.QuietZone, side + options.QuietZone);
  picture.SymbolArea =
      QRect(QPoint(static_cast<int>(topLeft.X), static_cast<int>(topLeft.Y)),
            QPoint(static_cast<int>(bottomRight.X) - 1, static_cast<int>(bottomRight.Y) - 1));
  return picture;
}

QString SavePicture(const QTemporaryDir& dir, const QString& name, const QImage& image,
                    const char* format) {
  const QString path = dir.filePath(name);
  EXPECT_TRUE(image.save(path, format, 95)) << path.toStdString();
  return path;
}

QImage PlainPicture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(230, 230, 230));
  QPainter painter(&image);
  painter.fillRect(QRect(width / 5, height / 4, width / 3, height / 6), QColor(90, 90, 90));
  painter.fillRect(QRect(width / 2, height / 2, width / 4, height / 3), QColor(160, 160, 160));
  painter.end();
  return image;
}

QImage Grab(QWidget* widget) {
  return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void Settle(int milliseconds) { QTest::qWait(milliseconds); }

}  // namespace vornak::apptest
