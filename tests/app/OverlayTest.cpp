// The preview's overlay: after 解析 the two check boxes under the spin boxes
// show where the symbol was found and the binarized picture; a new load
// takes it away again.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include "app/Form1.h"
#include "app/ImageForm.h"
#include "app/Memo.h"
#include "app/PictureBox.h"
#include "app/SpinEdit.h"
#include "app/Startup.h"
#include "engine/DecodeTrace.h"
#include "engine/Vornak.h"
#include "platform/Overlay.h"
#include "platform/QtBitmap.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/ReferenceSymbol.h"

namespace vornak {
namespace {

using apptest::OnModal;

int Count(const QImage& image, const QColor& colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == colour ? 1 : 0;
  return count;
}

class OverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    FWindows = std::make_unique<TStartup>();
    FForm = &FWindows->Form1();
    FForm->SetFileChooser([this](QWidget*) { return FChosen; });
    FWindows->Show();
    FForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FForm));
  }

  template <typename T>
  T* Child(const char* name) {
    T* child = FForm->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  // Loads the whole picture (a click on 読み取り without a drag).
  void Load(const QImage& image, const QString& name) {
    FChosen = apptest::SavePicture(FDir, name, image, "BMP");
    auto watch = OnModal<TImageForm>([](TImageForm* dialog) {
      QTest::mouseClick(dialog->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTest::mouseClick(Child<QPushButton>("ImageReadBtn"), Qt::LeftButton);
    ASSERT_TRUE(watch->Fired());
  }
  void Analyse() { QTest::mouseClick(Child<QPushButton>("AnalyBtn"), Qt::LeftButton); }
  QImage Preview() {
    return Child<TPictureBox>("Image1")->Picture().convertToFormat(QImage::Format_RGB32);
  }
  const TVornak& Vornak() { return *FForm->Decoder(); }
  QImage Cropped() { return TQtBitmap::ToQImage(FForm->CroppedBitmap()); }
  QString Status() { return Child<TMemo>("MessMemo")->Lines().value(0); }
  void Tick(const char* name, bool on) {
    QCheckBox* box = Child<QCheckBox>(name);
    if (box->isChecked() != on)
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    ASSERT_EQ(box->isChecked(), on) << name;
  }

  QTemporaryDir FDir;
  std::unique_ptr<TStartup> FWindows;
  TForm1* FForm = nullptr;
  QString FChosen;
};

TEST_F(OverlayTest, CheckBoxesSitUnderTheSpinBoxesOutsideTheTabOrder) {
  auto* panel = Child<QWidget>("Panel1");
  auto* first = Child<QCheckBox>("CheckBox1");
  auto* second = Child<QCheckBox>("CheckBox2");
  EXPECT_EQ(first->text(), QStringLiteral("位置"));
  EXPECT_EQ(second->text(), QStringLiteral("二値"));
  EXPECT_EQ(first->toolTip(), QStringLiteral("検出位置を表示"));
  EXPECT_EQ(second->toolTip(), QStringLiteral("二値画像を表示"));
  EXPECT_FALSE(first->isChecked());
  EXPECT_FALSE(second->isChecked());
  const QRect spin = Child<TSpinEdit>("SpinEdit2")->geometry();
  const QRect memo = Child<TMemo>("ResultMemo")->geometry();
  for (QCheckBox* box : {first, second}) {
    EXPECT_EQ(box->parentWidget(), panel);
    EXPECT_TRUE(box->isVisible());
    EXPECT_GE(box->geometry().left(), spin.left());
    EXPECT_GT(box->geometry().top(), spin.bottom());
    EXPECT_LT(box->geometry().bottom(), memo.top());
    // Within the column of the buttons and boxes above, so inside the
    // panel on any frame.
    EXPECT_LE(box->geometry().right(), memo.right());
    EXPECT_TRUE(panel->rect().contains(box->geometry()))
        << box->objectName().toStdString() << " " << box->geometry().left() << ","
        << box->geometry().top() << " " << box->geometry().width() << "x"
        << box->geometry().height() << " in " << panel->width() << "x" << panel->height();
    EXPECT_FALSE(box->focusPolicy() & Qt::TabFocus);
  }
  EXPECT_FALSE(first->geometry().intersects(second->geometry()));
}

TEST_F(OverlayTest, AppearsAfterADecodeAndGoesWithANewLoad) {
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture("https://example.org/qr", 260, 240, 10, -5);
  Load(picture.Image, "symbol.bmp");
  EXPECT_EQ(Preview(), Cropped());
  // Before 解析 there is nothing to show for this picture.
  Tick("CheckBox1", true);
  EXPECT_EQ(Preview(), Cropped());

  Analyse();
  ASSERT_EQ(Status(), QStringLiteral("完了"));
  const TVornak& vornak = Vornak();
  QImage shown = Preview();
  EXPECT_EQ(shown.size(), Cropped().size());
  for (const TPoint& f : vornak.FinderCentres())
    EXPECT_EQ(shown.pixelColor(f.X, f.Y), TOverlay::FinderColour()) << f.X << ", " << f.Y;
  EXPECT_GT(Count(shown, TOverlay::OutlineColour()), 0);
  EXPECT_GT(Count(shown, TOverlay::ModuleColour()), 25 * 25 / 2);

  // The binarized picture with the marks, then alone, then neither.
  Tick("CheckBox2", true);
  shown = Preview();
  for (const TPoint& f : vornak.FinderCentres())
    EXPECT_EQ(shown.pixelColor(f.X, f.Y), TOverlay::FinderColour());
  Tick("CheckBox1", false);
  EXPECT_EQ(Preview(), TOverlay::PlaneImage(vornak.Plane()));
  Tick("CheckBox2", false);
  EXPECT_EQ(Preview(), Cropped());

  // A new load shows the new picture alone, whatever the boxes say.
  Tick("CheckBox1", true);
  EXPECT_GT(Count(Preview(), TOverlay::FinderColour()), 0);
  Load(apptest::PlainPicture(180, 150), "plain.bmp");
  EXPECT_EQ(Preview(), Cropped());
  EXPECT_EQ(Count(Preview(), TOverlay::FinderColour()), 0);

  // Nothing found: no finders, outline or grid over the picture.
  Analyse();
  EXPECT_EQ(Status(), QStringLiteral("失敗"));
  EXPECT_EQ(Vornak().Trace().Stage(), TDecodeTrace::TStage::None);
  EXPECT_EQ(Count(Preview(), TOverlay::FinderColour()), 0);
  EXPECT_EQ(Count(Preview(), TOverlay::OutlineColour()), 0);
  EXPECT_EQ(Count(Preview(), TOverlay::ModuleColour()), 0);
}

// Data modules inverted: the symbol is located but cannot be read, and the
// preview shows the finders, the outline and the grid that was sampled.
TEST_F(OverlayTest, FailedDecodeShowsHowFarItGot) {
  test::ReferenceSymbol symbol = test::Make("OVERLAY", 3, 1, 6);
  const int32_t side = symbol.Side();
  for (int32_t y = 9; y < side - 9; ++y)
    for (int32_t x = 9; x < side - 9; ++x) symbol.Matrix(x, y) = symbol.Matrix(x, y) != 0 ? 0 : 1;
  const apptest::TSymbolPicture picture = apptest::MakeMatrixPicture(symbol.Matrix, 240, 240, 0, 0);
  Load(picture.Image, "scrambled.bmp");
  Tick("CheckBox1", true);
  Analyse();
  ASSERT_EQ(Status(), QStringLiteral("失敗"));
  const TDecodeTrace& trace = Vornak().Trace();
  ASSERT_EQ(trace.Stage(), TDecodeTrace::TStage::Located);
  EXPECT_EQ(trace.Version(), 3);
  const QImage shown = Preview();
  for (const TPoint& f : trace.Finders())
    EXPECT_EQ(shown.pixelColor(f.X, f.Y), TOverlay::FinderColour()) << f.X << ", " << f.Y;
  // The finders lie at the symbol's three finder corners.
  const QRect area = picture.SymbolArea;
  const double module = area.width() / (side + 8.0);
  const QPointF expected[3] = {
      QPointF(area.left() + 7.5 * module, area.top() + 7.5 * module),
      QPointF(area.left() + (side + 0.5) * module, area.top() + 7.5 * module),
      QPointF(area.left() + 7.5 * module, area.top() + (side + 0.5) * module)};
  for (int i = 0; i < 3; ++i) {
    const TPoint f = trace.Finders()[static_cast<size_t>(i)];
    EXPECT_NEAR(f.X, expected[i].x(), 1.5 * module) << i;
    EXPECT_NEAR(f.Y, expected[i].y(), 1.5 * module) << i;
  }
  EXPECT_GT(Count(shown, TOverlay::OutlineColour()), 0);
  EXPECT_GT(Count(shown, TOverlay::ModuleColour()), side * side / 2);

  // For a look without a display: the window with the overlay, beside the
  // other windows' screenshots.
  const QString folder = QCoreApplication::applicationDirPath() + "/screenshots";
  QDir().mkpath(folder);
  const QString file = folder + "/Form1-overlay.png";
  EXPECT_TRUE(apptest::Grab(FForm).save(file)) << file.toStdString();
}

}  // namespace
}  // namespace vornak
