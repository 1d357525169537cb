#include <gtest/gtest.h>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include "AppConfig.h"
#include "app/Form1.h"
#include "app/HelpForm.h"
#include "app/HomeForm.h"
#include "app/ImageForm.h"
#include "app/Info.h"
#include "app/PictureBox.h"
#include "app/Startup.h"
#include "tests/app/AppTestSupport.h"

namespace vornak {
namespace {

using apptest::OnModal;

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override { FWindows = std::make_unique<TStartup>(); }
  void TearDown() override { FWindows.reset(); }

  std::unique_ptr<TStartup> FWindows;
};

TEST_F(WindowsTest, StartUpShowsTheMainWindowAndTheHomePage) {
  EXPECT_FALSE(FWindows->Form1().isVisible());
  FWindows->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&FWindows->Form1()));
  EXPECT_TRUE(FWindows->HomeForm().isVisible()) << "the main window's show opens it";
  EXPECT_FALSE(FWindows->ImageForm().isVisible());
  EXPECT_FALSE(FWindows->HelpForm().isVisible());
  EXPECT_FALSE(FWindows->Info().isVisible());
  // Only the main window keeps the program running.
  EXPECT_TRUE(FWindows->Form1().testAttribute(Qt::WA_QuitOnClose));
  for (QWidget* other : std::initializer_list<QWidget*>{
           &FWindows->ImageForm(), &FWindows->HelpForm(), &FWindows->Info(), &FWindows->HomeForm()})
    EXPECT_FALSE(other->testAttribute(Qt::WA_QuitOnClose)) << other->objectName().toStdString();
  // Closing the main window lets go of the decoder and the pictures.
  FWindows->Form1().close();
  EXPECT_EQ(FWindows->Form1().Decoder(), nullptr);
}

TEST_F(WindowsTest, FileNamedOnTheCommandLineOpensThroughTheRegionDialog) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture("https://example.org/qr", 0, 0, 0, 0);
  const QString path = apptest::SavePicture(dir, "argument.jpg", picture.Image, "JPEG");
  auto region = OnModal<TImageForm>([](TImageForm* dialog) { dialog->accept(); });
  FWindows->Show({"vornak", path});
  auto* analyse = FWindows->Form1().findChild<QPushButton*>("AnalyBtn");
  for (int i = 0; i < 200 && !region->Fired(); ++i) apptest::Settle(10);
  EXPECT_TRUE(region->Fired());
  EXPECT_TRUE(analyse->isEnabled());
  EXPECT_EQ(FWindows->Form1().LoadedBitmap().Width(), picture.Bitmap.Width());
}

TEST_F(WindowsTest, SeveralFilesOnTheCommandLineAreReadTogether) {
  // As a desktop's "open with" passes them: each read whole, every symbol
  // listed, no region dialog.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString first = apptest::SavePicture(
      dir, "first.png", apptest::MakeSymbolPicture("FIRST", 0, 0, 0, 0).Image, "PNG");
  const QString second = apptest::SavePicture(
      dir, "second.bmp", apptest::MakeSymbolPicture("SECOND", 0, 0, 0, 0).Image, "BMP");
  FWindows->Show({"vornak", first, second});
  auto* analyse = FWindows->Form1().findChild<QPushButton*>("AnalyBtn");
  for (int i = 0; i < 200 && !analyse->isEnabled(); ++i) apptest::Settle(10);
  ASSERT_TRUE(analyse->isEnabled());
  const QString shown = FWindows->Form1().DecodedText();
  EXPECT_TRUE(shown.contains("FIRST")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("SECOND")) << shown.toStdString();
}

TEST_F(WindowsTest, HomeWindowShowsTheBundledPage) {
  THomeForm& home = FWindows->HomeForm();
  EXPECT_EQ(home.windowTitle(), QStringLiteral("ホーム"));
  home.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&home));
  EXPECT_EQ(home.frameGeometry(), QRect(650, 150, 526, 460));
  EXPECT_EQ(home.WebBrowser1()->geometry(), home.rect());
  EXPECT_EQ(home.WebBrowser1()->source(), QUrl(QString::fromUtf8(kHomePageAddress)));
  EXPECT_TRUE(QFile::exists(":/home/index.html"));
  EXPECT_TRUE(home.WebBrowser1()->toPlainText().contains("Orvik Vornak 3.0"));
  EXPECT_TRUE(home.WebBrowser1()->toPlainText().contains("Resolver"));

  // An address on the network cannot be fetched here: it is offered as a
  // link for the user's browser instead of an empty page.
  home.OpenPage("https://example.org/vornak");
  EXPECT_TRUE(home.WebBrowser1()->toHtml().contains("https://example.org/vornak"));
  EXPECT_TRUE(home.WebBrowser1()->openExternalLinks());
  home.OpenPage("www.example.org");
  EXPECT_TRUE(home.WebBrowser1()->toHtml().contains("http://www.example.org"));
  // A local page is shown in place.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile page(dir.filePath("maker.html"));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.write("<html><body><p>Local maker page</p></body></html>");
  page.close();
  home.OpenPage(page.fileName());
  EXPECT_EQ(home.WebBrowser1()->toPlainText().trimmed(), QStringLiteral("Local maker page"));
}

TEST_F(WindowsTest, HelpWindowIsNotModalAndHoldsTheUsageText) {
  FWindows->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&FWindows->Form1()));
  FWindows->Form1().N4Click();
  THelpForm& help = FWindows->HelpForm();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
  EXPECT_FALSE(help.isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(help.windowTitle(), QStringLiteral("使用方法"));
  EXPECT_EQ(help.size(), QSize(416, 367));
  EXPECT_EQ(help.minimumSize(), help.maximumSize()) << "fixed border";
  EXPECT_FALSE(help.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(help.windowFlags() & Qt::WindowMinimizeButtonHint);

  auto* memo = help.findChild<QPlainTextEdit*>("Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->geometry(), help.rect());
  EXPECT_FALSE(memo->isReadOnly());
  const QStringList lines = memo->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 29);
  const QString wide(QChar(0x3000));
  EXPECT_EQ(lines[0], QString());
  EXPECT_EQ(lines[1], wide + QStringLiteral("1.ＱＲコードの読み込み"));
  EXPECT_EQ(lines[3],
            wide + wide + QStringLiteral("メニューのファイルの読み込み又はボタン読込を押します。"));
  EXPECT_EQ(lines[6], wide + QStringLiteral("２．範囲の選択"));
  EXPECT_EQ(
      lines[9],
      wide + wide +
          QStringLiteral("イメージのＱＲコードの部分を使用する場合は、マウス左ボタンを押したまま"));
  EXPECT_EQ(lines[13],
            wide + QStringLiteral("３．ＱＲイメージが表示されましたら、解析を押します。"));
  EXPECT_EQ(lines[17], wide + wide + QStringLiteral("（１）Resolver"));
  EXPECT_EQ(lines[18], QString(10, ' ') +
                           QStringLiteral("イメージを白黒のDotにするための閾値です。(-128 - 128)"));
  EXPECT_EQ(lines[22],
            wide.repeated(5) +
                QStringLiteral("イメージが四角形より歪んでいる場合に使用します。(1 - 6)") + wide);
  EXPECT_EQ(lines[24], QString(4, ' ') + QStringLiteral("（３）ForceVersion"));
  EXPECT_EQ(lines[27],
            wide.repeated(5) + QStringLiteral("0の場合は、型番を自動判別します。(但し型番14まで)"));
  EXPECT_EQ(lines[28], QString());
  for (int empty : {0, 2, 5, 7, 12, 14, 16, 20, 23, 28})
    EXPECT_TRUE(lines[empty].isEmpty()) << empty;

  // The main window stays usable meanwhile.
  EXPECT_TRUE(FWindows->Form1().findChild<QPushButton*>("ImageReadBtn")->isEnabled());
  help.close();
  EXPECT_FALSE(help.isVisible());
}

TEST_F(WindowsTest, AboutBoxIsModalAndOpensTheMakersAddress) {
  FWindows->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&FWindows->Form1()));
  // Stands in for the user's browser: records the address it is sent to.
  QTextBrowser catcher;
  const QUrl address(QString::fromUtf8(kMakerAddress));
  QDesktopServices::setUrlHandler(address.scheme(), &catcher, "setSource");

  bool modal = false;
  QString title, name, link;
  QColor background;
  QFont big, maker, underlined;
  QPoint places[3];
  QSize size;
  Qt::CursorShape cursor = Qt::ArrowCursor;
  auto watch = OnModal<Tinfo>([&](Tinfo* info) {
    modal = QApplication::activeModalWidget() == info;
    title = info->windowTitle();
    size = info->size();
    background = info->palette().color(QPalette::Window);
    auto* label6 = info->findChild<QLabel*>("Label6");
    auto* label3 = info->findChild<QLabel*>("Label3");
    auto* label4 = info->findChild<QLabel*>("Label4");
    name = label3->text();
    link = label4->text();
    big = label6->font();
    maker = label3->font();
    underlined = label4->font();
    cursor = label4->cursor().shape();
    places[0] = label6->pos();
    places[1] = label3->pos();
    places[2] = label4->pos();
    EXPECT_EQ(label6->text(), QStringLiteral("Orvik Ｖｏｒｎａｋ\u3000"));
    QTest::mouseClick(label4, Qt::LeftButton);
    info->close();
  });
  FWindows->Form1().N5Click();
  ASSERT_TRUE(watch->Fired());
  QDesktopServices::unsetUrlHandler(address.scheme());

  EXPECT_TRUE(modal);
  EXPECT_EQ(title, QStringLiteral("ホーム"));
  EXPECT_EQ(size, QSize(340, 168));
  EXPECT_EQ(background, QColor(0, 255, 255));
  EXPECT_EQ(name, QString::fromUtf8(kMakerName));
  EXPECT_EQ(link, address.toString());
  EXPECT_EQ(big.pixelSize(), 27);
  EXPECT_TRUE(big.bold() && big.italic());
  EXPECT_EQ(maker.pixelSize(), 16);
  EXPECT_TRUE(maker.bold());
  EXPECT_EQ(underlined.pixelSize(), 12);
  EXPECT_TRUE(underlined.underline());
  EXPECT_EQ(cursor, Qt::PointingHandCursor);
  EXPECT_EQ(places[0], QPoint(48, 32));
  EXPECT_EQ(places[1], QPoint(56, 96));
  EXPECT_EQ(places[2], QPoint(72, 128));
  EXPECT_EQ(catcher.source(), address);
  EXPECT_FALSE(FWindows->Info().isVisible());
}

TEST_F(WindowsTest, BundledAddressOpensInTheHomeWindow) {
  // Without a test handler the bundled page's address goes to the home
  // window, since no outside browser can read it.
  THomeForm& home = FWindows->HomeForm();
  home.hide();
  home.WebBrowser1()->clear();
  QDesktopServices::openUrl(QUrl("qrc:/home/index.html"));
  EXPECT_TRUE(home.isVisible());
  EXPECT_TRUE(home.WebBrowser1()->toPlainText().contains("Orvik Vornak 3.0"));
}

// Pictures of every window, for anyone without a display.
TEST_F(WindowsTest, ScreenshotsOfEveryWindow) {
  const QString folder = QCoreApplication::applicationDirPath() + "/screenshots";
  ASSERT_TRUE(QDir().mkpath(folder));
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const apptest::TSymbolPicture picture =
      apptest::MakeSymbolPicture("https://example.org/qr", 360, 300, -40, 0);
  const QString path = apptest::SavePicture(dir, "shot.bmp", picture.Image, "BMP");

  FWindows->Show();
  TForm1& form = FWindows->Form1();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.SetFileChooser([path](QWidget*) { return path; });
  QImage region;
  const QRect around = picture.SymbolArea.adjusted(-4, -4, 4, 4);
  auto watch = OnModal<TImageForm>([&](TImageForm* dialog) {
    auto* image = dialog->findChild<TPictureBox*>("Image1");
    QTest::mousePress(image, Qt::LeftButton, {}, around.topLeft());
    QTest::mouseMove(image, around.bottomRight());
    QTest::mouseRelease(image, Qt::LeftButton, {}, around.bottomRight());
    region = apptest::Grab(dialog);
    dialog->accept();
  });
  form.ImageReadBtnClick();
  ASSERT_TRUE(watch->Fired());
  QTest::mouseClick(form.findChild<QPushButton*>("AnalyBtn"), Qt::LeftButton);
  form.N4Click();

  QImage about;
  auto aboutWatch = OnModal<Tinfo>([&about](Tinfo* info) {
    about = apptest::Grab(info);
    info->close();
  });
  form.N5Click();
  ASSERT_TRUE(aboutWatch->Fired());

  const std::pair<const char*, QImage> shots[] = {
      {"Form1.png", apptest::Grab(&form)},
      {"ImageForm.png", region},
      {"HelpForm.png", apptest::Grab(&FWindows->HelpForm())},
      {"info.png", about},
      {"HomeForm.png", apptest::Grab(&FWindows->HomeForm())},
  };
  for (const auto& [name, image] : shots) {
    ASSERT_FALSE(image.isNull()) << name;
    // Something is drawn: more than one colour.
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 3)
      for (int x = 0; x < image.width() && !varied; x += 3)
        varied = image.pixel(x, y) != image.pixel(0, 0);
    EXPECT_TRUE(varied) << name;
    const QString file = folder + "/" + name;
    EXPECT_TRUE(image.save(file)) << file.toStdString();
  }
}

}  // namespace
}  // namespace vornak
