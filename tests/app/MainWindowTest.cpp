#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>

#include "app/Form1.h"
#include "app/HelpForm.h"
#include "app/ImageForm.h"
#include "app/Info.h"
#include "app/Memo.h"
#include "app/PictureBox.h"
#include "app/SpinEdit.h"
#include "app/Startup.h"
#include "engine/Vornak.h"
#include "platform/Overlay.h"
#include "platform/QtBitmap.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/ReferenceSymbol.h"
#include "tests/support/Renderer.h"
#include "tests/support/Sheet.h"

namespace vornak {
namespace {

using apptest::OnModal;

const QString kText = QStringLiteral("https://example.org/qr");
const QString kNotFound = QStringLiteral("位置検出パターンがみつかりません。");

TBitmap Region(const TBitmap& source, const QRect& area) {
  TBitmap result(area.width(), area.height());
  for (int y = 0; y < area.height(); ++y)
    for (int x = 0; x < area.width(); ++x)
      result.SetPixel(x, y, source.Pixel(area.left() + x, area.top() + y));
  return result;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    FWindows = std::make_unique<TStartup>();
    FForm = &FWindows->Form1();
    FForm->SetFileChooser([this](QWidget*) { return FChosen; });
  }

  void ShowMainWindow() {
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

  QPushButton* AnalyBtn() { return Child<QPushButton>("AnalyBtn"); }
  TMemo* ResultMemo() { return Child<TMemo>("ResultMemo"); }
  TMemo* MessMemo() { return Child<TMemo>("MessMemo"); }

  // Loads through the load button; the region dialog gets the action (or a
  // plain press of its read button).
  void Load(const QString& path, std::function<void(TImageForm*)> inDialog = {}) {
    FChosen = path;
    auto watch = OnModal<TImageForm>([inDialog](TImageForm* dialog) {
      if (inDialog) inDialog(dialog);
      if (dialog->isVisible())
        QTest::mouseClick(dialog->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    QTest::mouseClick(Child<QPushButton>("ImageReadBtn"), Qt::LeftButton);
    EXPECT_TRUE(watch->Fired()) << "the region dialog did not open for " << path.toStdString();
  }

  // Expects the load to stop at an error box and returns its text.
  QString LoadExpectingError(const QString& path) {
    FChosen = path;
    QString message;
    auto region = OnModal<TImageForm>([](TImageForm* dialog) { dialog->reject(); });
    auto box = OnModal<QMessageBox>([&message](QMessageBox* shown) {
      message = shown->text();
      shown->accept();
    });
    QTest::mouseClick(Child<QPushButton>("ImageReadBtn"), Qt::LeftButton);
    EXPECT_TRUE(box->Fired());
    EXPECT_FALSE(region->Fired()) << "the region dialog must not open";
    return message;
  }

  static void DragIn(TImageForm* dialog, QPoint from, QPoint to) {
    auto* image = dialog->findChild<TPictureBox*>("Image1");
    QTest::mousePress(image, Qt::LeftButton, {}, from);
    QTest::mouseMove(image, to);
    QTest::mouseRelease(image, Qt::LeftButton, {}, to);
  }

  void Analyse() { QTest::mouseClick(AnalyBtn(), Qt::LeftButton); }
  // For a look without a display, beside the other windows' screenshots.
  void SaveScreenshot(const QString& name) {
    const QString folder = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(folder);
    EXPECT_TRUE(apptest::Grab(FForm).save(folder + "/" + name)) << name.toStdString();
  }

  QTemporaryDir FDir;
  std::unique_ptr<TStartup> FWindows;
  TForm1* FForm = nullptr;
  QString FChosen;
};

TEST_F(MainWindowTest, LayoutCaptionsRangesAndTabOrder) {
  ShowMainWindow();
  EXPECT_EQ(FForm->windowTitle(), QStringLiteral("Orvik Vornak 3.0"));
  EXPECT_EQ(FForm->frameGeometry(), QRect(218, 149, 433, 461));

  struct TPlace {
    const char* Name;
    QRect Geometry;
  };
  for (const TPlace& place :
       {TPlace{"Bevel1", {32, 16, 217, 217}}, TPlace{"Image1", {40, 24, 200, 200}},
        TPlace{"ImageReadBtn", {275, 16, 54, 41}}, TPlace{"AnalyBtn", {344, 16, 48, 40}},
        TPlace{"SpinEdit1", {280, 104, 41, 21}}, TPlace{"SpinEdit3", {280, 152, 41, 21}},
        TPlace{"SpinEdit2", {280, 200, 41, 21}}, TPlace{"ResultMemo", {32, 248, 361, 89}},
        TPlace{"MessMemo", {32, 352, 361, 33}}}) {
    auto* widget = Child<QWidget>(place.Name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), place.Geometry) << place.Name;
    EXPECT_EQ(widget->parentWidget(), Child<QWidget>("Panel1")) << place.Name;
  }
  EXPECT_EQ(Child<QPushButton>("ImageReadBtn")->text(), QStringLiteral("読込"));
  EXPECT_EQ(AnalyBtn()->text(), QStringLiteral("解析"));
  EXPECT_FALSE(AnalyBtn()->isEnabled());
  EXPECT_EQ(Child<QLabel>("Label8")->text(), QStringLiteral("Resolver"));
  EXPECT_EQ(Child<QLabel>("Label8")->pos(), QPoint(280, 88));
  EXPECT_EQ(Child<QLabel>("Label11")->text(), QStringLiteral("Warp"));
  EXPECT_EQ(Child<QLabel>("Label10")->text(), QStringLiteral("ForceVersion"));
  EXPECT_EQ(Child<QLabel>("Label10")->pos(), QPoint(280, 184));

  struct TRange {
    const char* Name;
    int Minimum, Maximum, Value;
  };
  for (const TRange& range : {TRange{"SpinEdit1", -128, 128, 7}, TRange{"SpinEdit3", 1, 6, 6},
                              TRange{"SpinEdit2", 0, 40, 0}}) {
    auto* spin = Child<TSpinEdit>(range.Name);
    EXPECT_EQ(spin->minimum(), range.Minimum) << range.Name;
    EXPECT_EQ(spin->maximum(), range.Maximum) << range.Name;
    EXPECT_EQ(spin->Value(), range.Value) << range.Name;
  }
  EXPECT_EQ(ResultMemo()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  // Tab walks load, (analyse, once enabled), Warp, Resolver, ForceVersion,
  // result, message.
  AnalyBtn()->setEnabled(true);
  QStringList order;
  QWidget* focus = Child<QWidget>("ImageReadBtn");
  focus->setFocus();
  for (int i = 0; i < 7; ++i) {
    order << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(order, (QStringList{"ImageReadBtn", "AnalyBtn", "SpinEdit3", "SpinEdit1", "SpinEdit2",
                                "ResultMemo", "MessMemo"}));
  EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("ImageReadBtn"));
}

TEST_F(MainWindowTest, MenuItemsAndFonts) {
  const QList<QAction*> top = FForm->menuBar()->actions();
  ASSERT_EQ(top.size(), 2);
  EXPECT_EQ(top[0]->text(), QStringLiteral("ファイル"));
  EXPECT_EQ(top[0]->menu()->objectName(), QStringLiteral("N1"));
  EXPECT_EQ(top[1]->text(), QStringLiteral("情報"));
  EXPECT_EQ(top[1]->menu()->objectName(), QStringLiteral("N3"));
  const QList<QAction*> file = top[0]->menu()->actions();
  ASSERT_EQ(file.size(), 2);
  EXPECT_EQ(file[0]->objectName(), QStringLiteral("N2"));
  EXPECT_EQ(file[0]->text(), QStringLiteral("読み込み"));
  EXPECT_EQ(file[1]->objectName(), QStringLiteral("PasteAction"));
  EXPECT_EQ(file[1]->text(), QStringLiteral("貼り付け"));
  EXPECT_EQ(file[1]->shortcut(), QKeySequence(QKeySequence::Paste));
  const QList<QAction*> info = top[1]->menu()->actions();
  ASSERT_EQ(info.size(), 2);
  EXPECT_EQ(info[0]->objectName(), QStringLiteral("N4"));
  EXPECT_EQ(info[0]->text(), QStringLiteral("使用方法"));
  EXPECT_EQ(info[1]->objectName(), QStringLiteral("N5"));
  EXPECT_EQ(info[1]->text(), QStringLiteral("ホーム"));

  // The items reach their handlers: "読み込み" runs the file dialog,
  // "使用方法" shows the help window, "ホーム" the modal About box.
  int chosen = 0;
  FForm->SetFileChooser([&chosen](QWidget*) {
    ++chosen;
    return QString();
  });
  file[0]->trigger();
  EXPECT_EQ(chosen, 1);
  info[0]->trigger();
  EXPECT_TRUE(FWindows->HelpForm().isVisible());
  auto about = OnModal<Tinfo>([](Tinfo* box) { box->close(); });
  info[1]->trigger();
  EXPECT_TRUE(about->Fired());

  // The windows name the fonts they were laid out with; the substitutes are
  // what gets drawn.
  EXPECT_EQ(FForm->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
  EXPECT_EQ(FForm->font().pixelSize(), 12);
  EXPECT_EQ(QFontInfo(FForm->font()).family(), QStringLiteral("IPAPGothic"));
  EXPECT_EQ(ResultMemo()->font().family(), QStringLiteral("ＭＳ ゴシック"));
  EXPECT_EQ(QFontInfo(ResultMemo()->font()).family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(QFontInfo(FWindows->ImageForm().font()).family(), QStringLiteral("IPAPGothic"));
}

TEST_F(MainWindowTest, FileDialogOffersAllPicturesThenTheTwoFiltersAndCancelStopsTheLoad) {
  FForm->SetFileChooser({});
  QStringList filters;
  auto cancel = OnModal<QFileDialog>([&filters](QFileDialog* dialog) {
    filters = dialog->nameFilters();
    dialog->reject();
  });
  FForm->ImageReadBtnClick();
  ASSERT_TRUE(cancel->Fired());
  EXPECT_EQ(filters, (QStringList{"all pictures (*.jpg *.jpeg *.bmp *.png *.gif *.tif *.tiff "
                                  "*.webp *.pbm *.pgm *.ppm)",
                                  "Jpeg (*.jpg *.jpeg)", "bmp (*.bmp)"}));
  EXPECT_FALSE(AnalyBtn()->isEnabled());

  // The same dialog, accepted, leads on to the region dialog.
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 0, 0, 0, 0);
  const QString path = apptest::SavePicture(FDir, "chosen.BMP", picture.Image, "BMP");
  auto choose = OnModal<QFileDialog>([path](QFileDialog* dialog) {
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
  });
  auto region = OnModal<TImageForm>([](TImageForm* dialog) { dialog->accept(); });
  FForm->ImageReadBtnClick();
  EXPECT_TRUE(choose->Fired());
  EXPECT_TRUE(region->Fired());
  EXPECT_TRUE(AnalyBtn()->isEnabled());
  EXPECT_EQ(FForm->CroppedBitmap(), picture.Bitmap) << "upper-case extension read as BMP";
}

TEST_F(MainWindowTest, JpegWithDraggedRectangleDecodes) {
  ShowMainWindow();
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 400, 320, -80, 30);
  const QString path = apptest::SavePicture(FDir, "photo.jpg", picture.Image, "JPEG");
  // Dragged from the bottom right up to the top left, round the symbol.
  const QRect around = picture.SymbolArea.adjusted(-6, -6, 6, 6);
  Load(path, [around](TImageForm* dialog) {
    EXPECT_EQ(dialog->frameGeometry().size(), QSize(430, 430));
    DragIn(dialog, around.bottomRight(), around.topLeft());
  });
  ASSERT_TRUE(AnalyBtn()->isEnabled());
  EXPECT_EQ(FForm->LoadedBitmap().Width(), 400);
  EXPECT_EQ(FForm->CroppedBitmap().Width(), around.width() - 1);
  EXPECT_EQ(FForm->CroppedBitmap().Height(), around.height() - 1);
  // The preview shows the cropped picture stretched over the box.
  EXPECT_EQ(Child<TPictureBox>("Image1")->Picture(), TQtBitmap::ToQImage(FForm->CroppedBitmap()));

  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{kText, ""}));
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("完了")});
  EXPECT_TRUE(Child<QPushButton>("ImageReadBtn")->isEnabled());
  EXPECT_TRUE(AnalyBtn()->isEnabled());

  // A second analysis replaces, not appends.
  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{kText, ""}));
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("完了")});
}

TEST_F(MainWindowTest, BmpWithoutRectangleUsesTheWholePicture) {
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 250, 180, 0, 0);
  Load(apptest::SavePicture(FDir, "scan.bmp", picture.Image, "BMP"));
  EXPECT_EQ(FForm->LoadedBitmap(), picture.Bitmap);
  EXPECT_EQ(FForm->CroppedBitmap(), picture.Bitmap);
  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{kText, ""}));
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("完了")});
}

TEST_F(MainWindowTest, CropHoldsNoOutlinePixels) {
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 300, 260, 0, 0);
  const QString path = apptest::SavePicture(FDir, "exact.bmp", picture.Image, "BMP");
  // The outline crosses the symbol: it must show on screen, not in the crop.
  const QPoint from(20, 25);
  const QPoint to(200, 150);
  QImage shown;
  Load(path, [&](TImageForm* dialog) {
    DragIn(dialog, from, to);
    shown = apptest::Grab(dialog->findChild<TPictureBox*>("Image1"));
  });
  ASSERT_FALSE(shown.isNull());
  int inverted = 0;
  for (int x = from.x() + 1; x < to.x(); ++x)
    inverted +=
        shown.pixel(x, from.y()) == ((picture.Image.pixel(x, from.y()) ^ 0xFFFFFFu) | 0xFF000000u);
  EXPECT_EQ(inverted, to.x() - from.x() - 1) << "the outline is drawn in XOR";

  const QRect area(from, QSize(to.x() - from.x(), to.y() - from.y()));
  EXPECT_EQ(FForm->CroppedBitmap(), Region(picture.Bitmap, area));
  EXPECT_EQ(FForm->LoadedBitmap(), picture.Bitmap);
}

TEST_F(MainWindowTest, DecodedBytesAreShownAsTextLineByLine) {
  // Kanji mode from libqrencode: Shift JIS pairs in the engine's result,
  // Japanese on screen.
  const test::ReferenceSymbol kanji =
      test::MakeQrencode("\x8A\xBF\x8E\x9A\x82\xCC\x93\xC7\x82\xDD\x8E\xE6\x82\xE8", 2, 1, true);
  Load(apptest::SavePicture(FDir, "kanji.bmp",
                            apptest::MakeMatrixPicture(kanji.Matrix, 0, 0, 0, 0).Image, "BMP"));
  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{QStringLiteral("漢字の読み取り"), ""}));
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("完了")});

  // Line breaks inside the text give lines of their own; copying takes the
  // text as decoded.
  const std::string twoLines = "Vornak\r\nline two";
  Load(apptest::SavePicture(FDir, "lines.bmp",
                            apptest::MakeSymbolPicture(twoLines, 0, 0, 0, 0).Image, "BMP"));
  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{"Vornak", "line two", ""}));
  FForm->CopyResultText();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(twoLines));
}

TEST_F(MainWindowTest, LocationFailureShowsStatusAndMessage) {
  Load(apptest::SavePicture(FDir, "plain.bmp", apptest::PlainPicture(220, 160), "BMP"));
  ASSERT_TRUE(AnalyBtn()->isEnabled());
  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{"", kNotFound}));
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("失敗")});
  EXPECT_TRUE(FForm->DecodedText().isEmpty());
}

TEST_F(MainWindowTest, CancellingEitherDialogLeavesAnalyseDisabled) {
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 0, 0, 0, 0);
  const QString path = apptest::SavePicture(FDir, "first.bmp", picture.Image, "BMP");
  Load(path);
  ASSERT_TRUE(AnalyBtn()->isEnabled());
  const TBitmap earlier = FForm->CroppedBitmap();

  // File dialog cancelled.
  FChosen.clear();
  FForm->ImageReadBtnClick();
  EXPECT_FALSE(AnalyBtn()->isEnabled());
  EXPECT_EQ(FForm->CroppedBitmap(), earlier);

  // Region dialog cancelled by its button, then by Escape.
  Load(path);
  ASSERT_TRUE(AnalyBtn()->isEnabled());
  const QString other =
      apptest::SavePicture(FDir, "other.bmp", apptest::PlainPicture(120, 90), "BMP");
  FChosen = other;
  auto cancel = OnModal<TImageForm>([](TImageForm* dialog) {
    QTest::mouseClick(dialog->findChild<QPushButton*>("Button2"), Qt::LeftButton);
  });
  FForm->ImageReadBtnClick();
  EXPECT_TRUE(cancel->Fired());
  EXPECT_FALSE(AnalyBtn()->isEnabled());
  EXPECT_EQ(FForm->CroppedBitmap(), earlier);

  auto escape =
      OnModal<TImageForm>([](TImageForm* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
  FForm->ImageReadBtnClick();
  EXPECT_TRUE(escape->Fired());
  EXPECT_FALSE(AnalyBtn()->isEnabled());
  EXPECT_EQ(FForm->CroppedBitmap(), earlier);
}

TEST_F(MainWindowTest, RegionDialogIsSizedByThePicture) {
  struct TCase {
    int Width, Height;
    QSize Dialog;
  };
  for (const TCase& each :
       {TCase{250, 600, {330, 710}}, TCase{300, 299, {330, 410}}, TCase{420, 300, {450, 410}}}) {
    const QString path =
        apptest::SavePicture(FDir, QString("size%1x%2.bmp").arg(each.Width).arg(each.Height),
                             apptest::PlainPicture(each.Width, each.Height), "BMP");
    QSize seen;
    QSize image;
    Load(path, [&](TImageForm* dialog) {
      seen = dialog->frameGeometry().size();
      image = dialog->findChild<TPictureBox*>("Image1")->size();
    });
    EXPECT_EQ(seen, each.Dialog) << each.Width << " x " << each.Height;
    EXPECT_EQ(image, QSize(each.Width, each.Height));
  }
}

TEST_F(MainWindowTest, UnreadableFilesReportAnErrorAndLeaveTheWindowUsable) {
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 0, 0, 0, 0);
  const QString good = apptest::SavePicture(FDir, "good.bmp", picture.Image, "BMP");
  Load(good);
  ASSERT_TRUE(AnalyBtn()->isEnabled());

  // A file that is no picture, whatever its name: no silent reuse of the
  // previous picture.
  QFile notes(FDir.filePath("picture.png"));
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.write("no picture here\n");
  notes.close();
  EXPECT_TRUE(LoadExpectingError(notes.fileName()).contains("picture.png"));
  EXPECT_FALSE(AnalyBtn()->isEnabled());

  // A JPEG cut short, a bitmap that is not one, and a file that is not there.
  QFile broken(FDir.filePath("broken.jpg"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write(QByteArray::fromHex("FFD8FFE000104A464946000101"));
  broken.close();
  EXPECT_TRUE(LoadExpectingError(broken.fileName()).contains("broken.jpg"));
  QFile text(FDir.filePath("text.bmp"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a bitmap at all");
  text.close();
  EXPECT_TRUE(LoadExpectingError(text.fileName()).contains("text.bmp"));
  EXPECT_TRUE(LoadExpectingError(FDir.filePath("missing.jpeg")).contains("missing.jpeg"));
  EXPECT_FALSE(AnalyBtn()->isEnabled());

  // Still usable.
  Load(good);
  EXPECT_TRUE(AnalyBtn()->isEnabled());
  Analyse();
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("完了")});
}

TEST_F(MainWindowTest, SpinBoxesClampWhenLeftAndTheEngineClampsResolver) {
  ShowMainWindow();
  auto type = [](TSpinEdit* spin, const QString& text) {
    spin->setFocus();
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_Backspace);
    QTest::keyClicks(spin, text);
  };
  auto* resolver = Child<TSpinEdit>("SpinEdit1");
  auto* warp = Child<TSpinEdit>("SpinEdit3");
  auto* force = Child<TSpinEdit>("SpinEdit2");

  // Out-of-range text is pulled to the nearest limit when the box is left.
  type(resolver, "200");
  EXPECT_EQ(resolver->Value(), 200) << "read as typed while editing";
  QTest::keyClick(resolver, Qt::Key_Tab);
  EXPECT_EQ(resolver->text(), QStringLiteral("128"));
  type(warp, "0");
  QTest::keyClick(warp, Qt::Key_Tab);
  EXPECT_EQ(warp->Value(), 1);
  type(force, "99");
  QTest::keyClick(force, Qt::Key_Tab);
  EXPECT_EQ(force->Value(), 40);
  // No number at all reads as the minimum.
  type(warp, "");
  EXPECT_EQ(warp->Value(), 1);
  type(force, "-");
  EXPECT_EQ(force->Value(), 0);
  QTest::keyClick(force, Qt::Key_Tab);
  EXPECT_EQ(force->text(), QStringLiteral("0"));
  // Letters cannot be typed.
  type(warp, "x3");
  EXPECT_EQ(warp->text(), QStringLiteral("3"));

  // A symbol whose dark modules are only just darker than the threshold:
  // readable with offset 1, invisible with the default 7. The middle row is
  // plain grey 100, so the threshold is 100 * 300 / 299 = 100.
  apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 300, 400, 0, -100, 0x5F5F5F, 0xFFFFFF);
  for (int y = 180; y < 400; ++y)
    for (int x = 0; x < 300; ++x) picture.Bitmap.SetPixel(x, y, 0x646464);
  ASSERT_LT(picture.SymbolArea.bottom(), 180);
  const QString path =
      apptest::SavePicture(FDir, "faint.bmp", TQtBitmap::ToQImage(picture.Bitmap), "BMP");
  Load(path);
  ASSERT_TRUE(AnalyBtn()->isEnabled());

  // The photograph passes read this symbol whatever the offset, so the
  // classic threshold alone shows which offset reached the engine.
  FForm->Decoder()->SetClassic(true);
  type(resolver, "7");
  Analyse();
  EXPECT_EQ(FForm->Decoder()->Resolver(), 7);
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("失敗")});

  type(resolver, "-128");
  Analyse();
  EXPECT_EQ(resolver->Value(), -128) << "in range for the box";
  EXPECT_EQ(FForm->Decoder()->Resolver(), 1);
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("完了")});
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{kText, ""}));

  // Warp and ForceVersion reach the component as set.
  type(warp, "2");
  type(force, "2");
  Analyse();
  EXPECT_EQ(FForm->Decoder()->Warp(), 2);
  EXPECT_EQ(FForm->Decoder()->ForceVersion(), 2);
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("完了")});
}

TEST_F(MainWindowTest, ResultMemoDropsSelectionsAndCopiesTheWholeText) {
  ShowMainWindow();
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 0, 0, 0, 0);
  Load(apptest::SavePicture(FDir, "copy.bmp", picture.Image, "BMP"));
  Analyse();
  TMemo* memo = ResultMemo();
  ASSERT_EQ(memo->Lines(), (QStringList{kText, ""}));

  // A mouse drag selects, the release drops the selection and leaves the
  // caret at its start.
  QWidget* viewport = memo->viewport();
  const QRect first = memo->cursorRect(QTextCursor(memo->document()->findBlockByNumber(0)));
  const QPoint start = first.center() + QPoint(30, 0);
  QTest::mousePress(viewport, Qt::LeftButton, {}, start);
  QTest::mouseMove(viewport, start + QPoint(60, 0));
  EXPECT_TRUE(memo->textCursor().hasSelection()) << "the drag selects while the button is held";
  const int selectionStart = memo->textCursor().selectionStart();
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, start + QPoint(60, 0));
  EXPECT_FALSE(memo->textCursor().hasSelection());
  EXPECT_EQ(memo->textCursor().position(), selectionStart);

  // So does a key release after selecting with Shift and the arrows.
  memo->setFocus();
  QTextCursor cursor = memo->textCursor();
  cursor.setPosition(8);
  memo->setTextCursor(cursor);
  QTest::keyPress(memo, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyPress(memo, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_TRUE(memo->textCursor().hasSelection());
  QTest::keyRelease(memo, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_FALSE(memo->textCursor().hasSelection());
  EXPECT_EQ(memo->textCursor().position(), 8);

  // Ctrl+C copies the whole decoded text, not the (empty) selection.
  QGuiApplication::clipboard()->setText("before");
  QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), kText);

  // The context menu offers "コピー".
  QGuiApplication::clipboard()->setText("before");
  QAction* chosen = nullptr;
  auto menuWatch = std::make_unique<QTimer>();
  menuWatch->setInterval(5);
  QObject::connect(menuWatch.get(), &QTimer::timeout, [&chosen, &menuWatch] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    menuWatch->stop();
    for (QAction* action : menu->actions())
      if (action->text() == QStringLiteral("コピー")) chosen = action;
    if (chosen != nullptr) chosen->trigger();
    menu->close();
  });
  menuWatch->start();
  QContextMenuEvent context(QContextMenuEvent::Mouse, QPoint(10, 10),
                            viewport->mapToGlobal(QPoint(10, 10)));
  QApplication::sendEvent(viewport, &context);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), kText);
}

TEST_F(MainWindowTest, PastedScreenshotOrFilesLoadAndAnEmptyClipboardIsNamed) {
  ShowMainWindow();
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 0, 0, 0, 0);
  QClipboard* clipboard = QGuiApplication::clipboard();

  // Nothing to paste: said so, nothing loaded.
  clipboard->setText(QStringLiteral("just text"));
  QString said;
  auto error = OnModal<QMessageBox>([&said](QMessageBox* box) {
    said = box->text();
    box->accept();
  });
  FForm->PasteClick();
  EXPECT_TRUE(error->Fired());
  EXPECT_EQ(said, QStringLiteral("クリップボードに画像がありません。"));
  EXPECT_FALSE(AnalyBtn()->isEnabled());

  // A screenshot with a transparent margin, pasted through the menu item
  // (Ctrl+V): the region dialog takes it, transparency laid on white, and
  // it reads.
  QImage shot(picture.Image.width() + 20, picture.Image.height() + 20, QImage::Format_ARGB32);
  shot.fill(Qt::transparent);
  {
    QPainter painter(&shot);
    painter.drawImage(10, 10, picture.Image);
  }
  clipboard->setImage(shot);
  auto region = OnModal<TImageForm>([](TImageForm* dialog) {
    QTest::mouseClick(dialog->findChild<QPushButton*>("Button1"), Qt::LeftButton);
  });
  FForm->findChild<QAction*>("PasteAction")->trigger();
  for (int i = 0; i < 200 && !region->Fired(); ++i) apptest::Settle(10);
  ASSERT_TRUE(region->Fired());
  ASSERT_TRUE(AnalyBtn()->isEnabled());
  EXPECT_EQ(FForm->CroppedBitmap().Width(), shot.width());
  EXPECT_EQ(FForm->CroppedBitmap().Pixel(0, 0), TBitmap::Rgb(255, 255, 255));
  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{kText, ""}));
  SaveScreenshot("Form1-pasted.png");

  // Copied picture files are opened like dropped ones.
  const QString path = apptest::SavePicture(FDir, "copied.png", picture.Image, "PNG");
  auto* files = new QMimeData;
  files->setUrls({QUrl::fromLocalFile(path)});
  clipboard->setMimeData(files);
  auto again = OnModal<TImageForm>([](TImageForm* dialog) {
    QTest::mouseClick(dialog->findChild<QPushButton*>("Button1"), Qt::LeftButton);
  });
  FForm->PasteClick();
  EXPECT_TRUE(again->Fired());
  EXPECT_EQ(FForm->CroppedBitmap(), picture.Bitmap);
}

TEST_F(MainWindowTest, AnAddressIsALinkThatOpensOnlyWhenClicked) {
  ShowMainWindow();
  std::vector<QUrl> opened;
  FForm->SetUrlOpener([&opened](const QUrl& url) { opened.push_back(url); });
  auto* link = FForm->findChild<QLabel*>("LinkLabel");
  ASSERT_NE(link, nullptr);

  const QString address = QStringLiteral("https://example.jp/m?t=12");
  Load(apptest::SavePicture(FDir, "link.bmp",
                            apptest::MakeSymbolPicture(address.toStdString(), 0, 0, 0, 0).Image,
                            "BMP"));
  Analyse();
  // The whole address stands in the result box; the link shows it too, and
  // nothing has opened.
  EXPECT_EQ(ResultMemo()->Lines().value(0), address);
  ASSERT_TRUE(link->isVisible());
  EXPECT_TRUE(link->text().contains(address.toHtmlEscaped())) << link->text().toStdString();
  EXPECT_FALSE(link->openExternalLinks());
  EXPECT_TRUE(opened.empty());
  SaveScreenshot("Form1-link.png");
  // A click on it opens exactly that address.
  QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(6, link->height() / 2));
  ASSERT_EQ(opened.size(), 1U);
  EXPECT_EQ(opened[0], QUrl(address));

  // Text that is not an address the link may open shows no link.
  Load(apptest::SavePicture(FDir, "plain.bmp",
                            apptest::MakeSymbolPicture("file:///etc/passwd", 0, 0, 0, 0).Image,
                            "BMP"));
  Analyse();
  EXPECT_FALSE(link->isVisible());
  EXPECT_EQ(opened.size(), 1U);
}

TEST(MainWindowLinkTest, OnlyWholeWebMailAndPhoneAddressesAreLinks) {
  for (const char* yes :
       {"http://example.com", "https://example.com/a?b=c#d", "  https://example.com/  ",
        "mailto:someone@example.com", "tel:+81-3-1234-5678", "HTTPS://EXAMPLE.COM"})
    EXPECT_FALSE(TForm1::LinkOf(QString::fromUtf8(yes)).isEmpty()) << yes;
  for (const char* no :
       {"", "example.com", "javascript:alert(1)", "file:///etc/passwd", "ftp://example.com",
        "https://", "https://example.com two words", "see https://example.com",
        "https://exa\x01mple.com", "mailto:", "data:text/html,hi", "tel:"})
    EXPECT_TRUE(TForm1::LinkOf(QString::fromUtf8(no)).isEmpty()) << no;
}

TEST_F(MainWindowTest, DroppedPictureLoadsThroughTheRegionDialog) {
  ShowMainWindow();
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture(kText.toStdString(), 0, 0, 0, 0);
  const QString path = apptest::SavePicture(FDir, "dropped.Jpeg", picture.Image, "JPEG");
  const QString png = apptest::SavePicture(FDir, "dropped.png", picture.Image, "PNG");
  QFile text(FDir.filePath("notes.png"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a picture\n");
  text.close();
  const QString other = text.fileName();

  auto drop = [this](const QString& file, bool& entered) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at(100, 300);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(FForm, &enter);
    entered = enter.isAccepted();
    if (!entered) return;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(FForm, &dropped);
  };

  bool entered = true;
  drop(other, entered);
  EXPECT_FALSE(entered) << "a file that is no picture is not taken, whatever its name";

  auto region = OnModal<TImageForm>([](TImageForm* dialog) {
    QTest::mouseClick(dialog->findChild<QPushButton*>("Button1"), Qt::LeftButton);
  });
  drop(path, entered);
  EXPECT_TRUE(entered);
  for (int i = 0; i < 200 && !AnalyBtn()->isEnabled(); ++i) apptest::Settle(10);
  EXPECT_TRUE(region->Fired());
  ASSERT_TRUE(AnalyBtn()->isEnabled());
  EXPECT_EQ(FForm->CroppedBitmap().Width(), picture.Bitmap.Width());
  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{kText, ""}));

  // A PNG is taken and read like the rest.
  auto again = OnModal<TImageForm>([](TImageForm* dialog) {
    QTest::mouseClick(dialog->findChild<QPushButton*>("Button1"), Qt::LeftButton);
  });
  drop(png, entered);
  EXPECT_TRUE(entered);
  for (int i = 0; i < 200 && !again->Fired(); ++i) apptest::Settle(10);
  EXPECT_TRUE(again->Fired());
  EXPECT_EQ(FForm->CroppedBitmap(), picture.Bitmap);
  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{kText, ""}));
}

// Drops the files on the window as one drag.
void DropFiles(QWidget* form, const QStringList& files) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& file : files) urls.append(QUrl::fromLocalFile(file));
  data.setUrls(urls);
  const QPoint at(100, 300);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form, &dropped);
}

TEST_F(MainWindowTest, SeveralSymbolsAreListedUnderTheirNumbersAndMarked) {
  ShowMainWindow();
  test::TSheet sheet(460, 220);
  test::TRenderOptions options;
  options.ModuleSize = 5;
  sheet.Place(test::Make("left", 2, 1, 3).Matrix, options, 10, 20);
  sheet.Place(test::Make("right", 3, 2, 5).Matrix, options, 230, 10);
  const QString path =
      apptest::SavePicture(FDir, "two.bmp", TQtBitmap::ToQImage(sheet.Bitmap()), "BMP");
  Load(path);
  Analyse();
  EXPECT_EQ(ResultMemo()->Lines(), (QStringList{"[1]", "left", "[2]", "right", ""}));
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("完了")});
  ASSERT_EQ(FForm->Symbols().size(), 2U);
  EXPECT_EQ(FForm->DecodedText(), QStringLiteral("left\nright"));
  // With the findings shown, the numbers over the preview, one box in each
  // half; without, the picture alone.
  EXPECT_EQ(Child<TPictureBox>("Image1")->Picture().convertToFormat(QImage::Format_RGB32),
            TQtBitmap::ToQImage(sheet.Bitmap()).convertToFormat(QImage::Format_RGB32));
  Child<QCheckBox>("CheckBox1")->setChecked(true);
  FForm->CheckBoxClick();
  const QImage shown = Child<TPictureBox>("Image1")->Picture();
  int leftHalf = 0, rightHalf = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x)
      if (shown.pixelColor(x, y) == TOverlay::NumberColour())
        ++(x < shown.width() / 2 ? leftHalf : rightHalf);
  EXPECT_GT(leftHalf, 0);
  EXPECT_GT(rightHalf, 0);
}

TEST_F(MainWindowTest, DroppedPartsOfASequenceAreJoined) {
  ShowMainWindow();
  const std::string message = "Parts dropped together, joined by the window.";
  const std::vector<test::ReferenceSymbol> parts =
      test::MakeQrencodeStructured(message, 1, 1, false);
  ASSERT_GE(parts.size(), 3U);
  QStringList files;
  test::TRenderOptions options;
  options.ModuleSize = 4;
  for (size_t i = 0; i < parts.size(); ++i)
    files.append(apptest::SavePicture(
        FDir, QStringLiteral("part%1.bmp").arg(i),
        TQtBitmap::ToQImage(test::RenderBitmap(parts[i].Matrix, options)), "BMP"));
  // No region dialog: the pictures are read whole.
  DropFiles(FForm, files);
  for (int i = 0; i < 200 && ResultMemo()->Lines().size() < 2; ++i) apptest::Settle(10);
  const QStringList lines = ResultMemo()->Lines();
  ASSERT_GE(lines.size(), 2);
  EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("[連結 %1分割]").arg(parts.size()));
  EXPECT_EQ(lines.back(), QString::fromStdString(message));
  EXPECT_EQ(MessMemo()->Lines(), QStringList{QStringLiteral("完了")});

  // Without the second part: named, and the others still shown.
  files.removeAt(1);
  DropFiles(FForm, files);
  for (int i = 0; i < 200 && MessMemo()->Lines().size() < 2; ++i) apptest::Settle(10);
  EXPECT_EQ(MessMemo()->Lines(),
            (QStringList{QStringLiteral("part 2 of %1 missing").arg(parts.size()),
                         QStringLiteral("完了")}));
  EXPECT_NE(ResultMemo()->Lines().back(), QString::fromStdString(message));
}

}  // namespace
}  // namespace vornak
