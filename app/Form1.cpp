#include "app/Form1.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QShowEvent>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <exception>

#include "app/HelpForm.h"
#include "app/HomeForm.h"
#include "app/ImageForm.h"
#include "app/Info.h"
#include "app/Memo.h"
#include "app/PictureBox.h"
#include "app/SpinEdit.h"
#include "app/WindowStyle.h"
#include "engine/AppendMerger.h"
#include "engine/Vornak.h"
#include "platform/DisplayText.h"
#include "platform/Overlay.h"
#include "platform/PictureFile.h"
#include "platform/QtBitmap.h"

namespace vornak {

namespace {

constexpr int kLeft = 218;
constexpr int kTop = 149;
constexpr QSize kOuterSize(433, 461);

// Copies a rectangle that lies inside the bitmap.
TBitmap CopyRect(const TBitmap& source, const QRect& area) {
  TBitmap result(area.width(), area.height());
  for (int y = 0; y < area.height(); ++y) {
    const uint32_t* from = source.Row(area.top() + y) + area.left();
    std::copy(from, from + area.width(), result.Row(y));
  }
  return result;
}

// A picture the loader reads, told by its first bytes as the loader tells
// it, whatever its name.
bool IsPictureName(const QString& path) {
  return !TPictureFile::Sniff(QFile::encodeName(path).toStdString()).empty();
}

// Shows the busy cursor while a decode blocks the window.
class TBusyCursor {
 public:
  TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form1");
  setWindowTitle(QStringLiteral("Orvik Vornak 3.0"));
  setFont(WindowFont());
  setAcceptDrops(true);
  CreateControls();
  CreateMenu();
  move(kLeft, kTop);
  SetOuterSize(this, kOuterSize);
  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  FPanel1 = new QWidget(this);
  FPanel1->setObjectName("Panel1");
  setCentralWidget(FPanel1);

  FBevel1 = new QFrame(FPanel1);
  FBevel1->setObjectName("Bevel1");
  FBevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  FBevel1->setGeometry(32, 16, 217, 217);

  FImage1 = new TPictureBox(FPanel1);
  FImage1->setObjectName("Image1");
  FImage1->SetStretch(true);
  FImage1->setGeometry(40, 24, 200, 200);

  FImageReadBtn = new QPushButton(QStringLiteral("読込"), FPanel1);
  FImageReadBtn->setObjectName("ImageReadBtn");
  FImageReadBtn->setGeometry(275, 16, 54, 41);
  connect(FImageReadBtn, &QPushButton::clicked, this, &TForm1::ImageReadBtnClick);

  FAnalyBtn = new QPushButton(QStringLiteral("解析"), FPanel1);
  FAnalyBtn->setObjectName("AnalyBtn");
  FAnalyBtn->setGeometry(344, 16, 48, 40);
  connect(FAnalyBtn, &QPushButton::clicked, this, &TForm1::AnalyBtnClick);

  auto label = [this](const char* name, const QString& text, int left, int top) {
    auto* result = new QLabel(text, FPanel1);
    result->setObjectName(name);
    result->move(left, top);
    result->adjustSize();
    return result;
  };
  FLabel8 = label("Label8", QStringLiteral("Resolver"), 280, 88);
  FLabel11 = label("Label11", QStringLiteral("Warp"), 280, 136);
  FLabel10 = label("Label10", QStringLiteral("ForceVersion"), 280, 184);

  FSpinEdit1 = new TSpinEdit(-128, 128, 7, FPanel1);
  FSpinEdit1->setObjectName("SpinEdit1");
  FSpinEdit1->setGeometry(280, 104, 41, 21);
  FSpinEdit3 = new TSpinEdit(1, 6, 6, FPanel1);
  FSpinEdit3->setObjectName("SpinEdit3");
  FSpinEdit3->setGeometry(280, 152, 41, 21);
  FSpinEdit2 = new TSpinEdit(0, 40, 0, FPanel1);
  FSpinEdit2->setObjectName("SpinEdit2");
  FSpinEdit2->setGeometry(280, 200, 41, 21);

  CreateResultBoxes();
  setTabOrder(FImageReadBtn, FAnalyBtn);
  setTabOrder(FAnalyBtn, FSpinEdit3);
  setTabOrder(FSpinEdit3, FSpinEdit1);
  setTabOrder(FSpinEdit1, FSpinEdit2);
  setTabOrder(FSpinEdit2, FResultMemo);
  setTabOrder(FResultMemo, FMessMemo);
}

void TForm1::CreateResultBoxes() {
  // Side by side in the one row left between the spin boxes and the result
  // box, hence the short captions (the tips say more). Outside the tab
  // order, which stays the window's own.
  FCheckBox1 = new QCheckBox(QStringLiteral("位置"), FPanel1);
  FCheckBox1->setObjectName("CheckBox1");
  FCheckBox1->setToolTip(QStringLiteral("検出位置を表示"));
  FCheckBox1->setFocusPolicy(Qt::ClickFocus);
  FCheckBox1->adjustSize();
  FCheckBox1->move(280, 226);
  FCheckBox2 = new QCheckBox(QStringLiteral("二値"), FPanel1);
  FCheckBox2->setObjectName("CheckBox2");
  FCheckBox2->setToolTip(QStringLiteral("二値画像を表示"));
  FCheckBox2->setFocusPolicy(Qt::ClickFocus);
  FCheckBox2->adjustSize();
  FCheckBox2->move(FCheckBox1->geometry().right() + 7, 226);
  connect(FCheckBox1, &QCheckBox::toggled, this, &TForm1::CheckBoxClick);
  connect(FCheckBox2, &QCheckBox::toggled, this, &TForm1::CheckBoxClick);

  FResultMemo = new TMemo(FPanel1);
  FResultMemo->setObjectName("ResultMemo");
  FResultMemo->setGeometry(32, 248, 361, 89);
  FResultMemo->setFont(FixedFont());
  FResultMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FResultMemo->setTabChangesFocus(true);
  // Dropped files belong to the window, not to the text boxes.
  FResultMemo->setAcceptDrops(false);
  connect(FResultMemo, &TMemo::KeyUp, this, &TForm1::ResultMemoKeyUp);
  connect(FResultMemo, &TMemo::MouseUp, this, &TForm1::ResultMemoMouseUp);

  FLinkLabel = new QLabel(FPanel1);
  FLinkLabel->setObjectName("LinkLabel");
  FLinkLabel->setGeometry(32, 337, 361, 15);
  FLinkLabel->setTextFormat(Qt::RichText);
  // Nothing opens by itself: the click alone goes to the opener.
  FLinkLabel->setOpenExternalLinks(false);
  FLinkLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  FLinkLabel->hide();
  connect(FLinkLabel, &QLabel::linkActivated, this, [this] {
    if (FLink.isEmpty()) return;
    if (FUrlOpener)
      FUrlOpener(FLink);
    else
      QDesktopServices::openUrl(FLink);
  });

  FMessMemo = new TMemo(FPanel1);
  FMessMemo->setObjectName("MessMemo");
  FMessMemo->setGeometry(32, 352, 361, 33);
  FMessMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FMessMemo->setTabChangesFocus(true);
  FMessMemo->setAcceptDrops(false);

  // The result box drops any selection at once, so copying takes the whole
  // decoded text instead.
  FCopyAction = new QAction(QStringLiteral("コピー"), this);
  FCopyAction->setObjectName("CopyAction");
  FCopyAction->setShortcut(QKeySequence::Copy);
  FCopyAction->setShortcutContext(Qt::WindowShortcut);
  FCopyAction->setEnabled(false);
  addAction(FCopyAction);
  FResultMemo->SetCopyAction(FCopyAction);
  connect(FCopyAction, &QAction::triggered, this, &TForm1::CopyResultText);
}

void TForm1::CreateMenu() {
  QMenu* n1 = menuBar()->addMenu(QStringLiteral("ファイル"));
  n1->setObjectName("N1");
  QAction* n2 = n1->addAction(QStringLiteral("読み込み"));
  n2->setObjectName("N2");
  connect(n2, &QAction::triggered, this, &TForm1::ImageReadBtnClick);
  QAction* paste = n1->addAction(QStringLiteral("貼り付け"));
  paste->setObjectName("PasteAction");
  paste->setShortcut(QKeySequence::Paste);
  paste->setShortcutContext(Qt::WindowShortcut);
  connect(paste, &QAction::triggered, this, &TForm1::PasteClick);

  QMenu* n3 = menuBar()->addMenu(QStringLiteral("情報"));
  n3->setObjectName("N3");
  QAction* n4 = n3->addAction(QStringLiteral("使用方法"));
  n4->setObjectName("N4");
  connect(n4, &QAction::triggered, this, &TForm1::N4Click);
  QAction* n5 = n3->addAction(QStringLiteral("ホーム"));
  n5->setObjectName("N5");
  connect(n5, &QAction::triggered, this, &TForm1::N5Click);
}

void TForm1::Attach(TImageForm* imageForm, THelpForm* helpForm, Tinfo* info, THomeForm* homeForm) {
  FImageForm = imageForm;
  FHelpForm = helpForm;
  FInfo = info;
  FHomeForm = homeForm;
}

void TForm1::SetFileChooser(TFileChooser chooser) { FFileChooser = std::move(chooser); }

void TForm1::SetUrlOpener(TUrlOpener opener) { FUrlOpener = std::move(opener); }

QUrl TForm1::LinkOf(const QString& text) {
  const QString trimmed = text.trimmed();
  // One address and nothing else: no spaces, no control characters.
  if (trimmed.isEmpty() || trimmed.size() > 4096) return {};
  for (const QChar c : trimmed)
    if (c.isSpace() || c.category() == QChar::Other_Control) return {};
  const QUrl url(trimmed, QUrl::StrictMode);
  if (!url.isValid()) return {};
  const QString scheme = url.scheme().toLower();
  if (scheme == "http" || scheme == "https") return url.host().isEmpty() ? QUrl() : url;
  if (scheme == "mailto" || scheme == "tel") return url.path().isEmpty() ? QUrl() : url;
  return {};
}

void TForm1::ShowLink(const QString& text) {
  FLink = LinkOf(text);
  if (FLink.isEmpty()) {
    FLinkLabel->clear();
    FLinkLabel->setToolTip({});
    FLinkLabel->hide();
    return;
  }
  // The whole address stands in the result box above; here it is the
  // link, shortened in the middle when it is longer than the box is wide.
  const QString shown = FLinkLabel->fontMetrics().elidedText(
      FLink.toDisplayString(), Qt::ElideMiddle, FLinkLabel->width() - 4);
  FLinkLabel->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(shown.toHtmlEscaped()));
  FLinkLabel->setToolTip(FLink.toDisplayString());
  FLinkLabel->show();
}

void TForm1::FormCreate() {
  FDecoder = std::make_unique<TVornak>();
  FLoadedBitmap = TBitmap();
  FCroppedBitmap = TBitmap();
  FAnalyBtn->setEnabled(false);
}

void TForm1::FormClose() {
  FTraceShown = false;
  FDecoder.reset();
  FLoadedBitmap = TBitmap();
  FCroppedBitmap = TBitmap();
  FAnalyBtn->setEnabled(false);
}

void TForm1::FormShow() {
  if (FHomeForm != nullptr) FHomeForm->show();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (event->spontaneous()) return;
  SetOuterSize(this, kOuterSize);
  FormShow();
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

QStringList TForm1::ChooseFiles() {
  if (FFileChooser) {
    const QString chosen = FFileChooser(this);
    return chosen.isEmpty() ? QStringList() : QStringList{chosen};
  }
  QFileDialog dialog(this);
  dialog.setObjectName("OpenDialog1");
  dialog.setNameFilter(kFileFilter);
  // Several pictures at once: the parts of a sequence, say.
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

void TForm1::ShowError(const QString& message) {
  QMessageBox box(QMessageBox::Critical, windowTitle(), message, QMessageBox::Ok, this);
  box.setObjectName("ErrorBox");
  box.exec();
}

void TForm1::ImageReadBtnClick() {
  FAnalyBtn->setEnabled(false);
  const QStringList paths = ChooseFiles();
  if (paths.isEmpty()) return;
  OpenFiles(paths);
}

void TForm1::OpenFile(const QString& path) {
  FAnalyBtn->setEnabled(false);
  if (FImageForm == nullptr || !FDecoder) return;

  TPictureFile::TResult loaded = TPictureFile::Load(QFile::encodeName(path).toStdString());
  if (!loaded.Ok) {
    ShowError(QString::fromStdString(loaded.Error));
    return;
  }
  OpenBitmap(std::move(loaded.Bitmap));
}

void TForm1::PasteClick() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  // Copied picture files go the way dropped ones do.
  const QStringList files = DroppedPictures(data);
  if (!files.isEmpty()) {
    OpenFiles(files);
    return;
  }
  if (data != nullptr && data->hasImage()) {
    const QImage image = qvariant_cast<QImage>(data->imageData());
    const int64_t pixels = static_cast<int64_t>(image.width()) * image.height();
    if (!image.isNull() &&
        (pixels > TPictureFile::kMaxPixels || image.width() > TPictureFile::kMaxSide ||
         image.height() > TPictureFile::kMaxSide)) {
      ShowError(QStringLiteral("The picture on the clipboard is %1 x %2 pixels; the limit is %3 "
                               "megapixels and %4 pixels a side")
                    .arg(image.width())
                    .arg(image.height())
                    .arg(TPictureFile::kMaxPixels / 1000000)
                    .arg(TPictureFile::kMaxSide));
      return;
    }
    if (!image.isNull()) {
      FAnalyBtn->setEnabled(false);
      if (FImageForm == nullptr || !FDecoder) return;
      OpenBitmap(TQtBitmap::FromQImage(image));
      return;
    }
  }
  ShowError(QStringLiteral("クリップボードに画像がありません。"));
}

void TForm1::OpenBitmap(TBitmap bitmap) {
  FLoadedBitmap = std::move(bitmap);

  const QImage picture = TQtBitmap::ToQImage(FLoadedBitmap);
  FImageForm->SetPicture(picture);
  FImageForm->SetWindowSize(TImageForm::SizeFor(picture.size()));
  if (FImageForm->exec() != QDialog::Accepted) return;

  // The outline was only ever an overlay: the crop comes from the file's own
  // pixels.
  FCroppedBitmap = CopyRect(FLoadedBitmap, FImageForm->Selection(picture.size()));
  // The last decode's findings belong to the previous picture.
  FTraceShown = false;
  CheckBoxClick();
  FAnalyBtn->setEnabled(true);
}

void TForm1::AnalyBtnClick() {
  if (!FDecoder) return;
  FResultMemo->Clear();
  ShowLink({});
  FMessMemo->Clear();
  FDecoder->SetWarp(FSpinEdit3->Value());
  FDecoder->SetResolver(FSpinEdit1->Value());
  FDecoder->SetForceVersion(FSpinEdit2->Value());

  bool ok = false;
  QString text;
  QString error;
  try {
    TBusyCursor busy;
    // Every symbol; the first is what Decode reads, and the getters keep it.
    FSymbols = FDecoder->DecodeAll(FCroppedBitmap);
    ok = !FSymbols.empty();
    text = QString::fromStdString(
        TDisplayText::ToUtf8(FDecoder->ResultText(), FDecoder->Eci(), FDecoder->Hanzi()));
    error = QString::fromStdString(FDecoder->ErrorText());
  } catch (const std::exception& failure) {
    ShowError(QString::fromUtf8(failure.what()));
    return;
  } catch (...) {
    ShowError(QStringLiteral("Program Error"));
    return;
  }

  // One symbol shows as it always has.
  const bool plain = FSymbols.size() <= 1;
  FDecodedText = plain ? text : ShowSymbols(FSymbols);
  FCopyAction->setEnabled(!FDecodedText.isEmpty());
  if (plain) FResultMemo->AddLine(text);
  ShowLink(plain && ok ? text : QString());
  FMessMemo->AddLine(ok ? QStringLiteral("完了") : QStringLiteral("失敗"));
  FResultMemo->AddLine(error);
  FImageReadBtn->setEnabled(true);
  FTraceShown = true;
  CheckBoxClick();
}

void TForm1::CheckBoxClick() {
  const QImage picture = TQtBitmap::ToQImage(FCroppedBitmap);
  TOverlay::TOptions options;
  options.Marks = FCheckBox1->isChecked();
  options.Binarized = FCheckBox2->isChecked();
  if (!FTraceShown || !FDecoder || (!options.Marks && !options.Binarized)) {
    FImage1->SetPicture(picture);
    return;
  }
  QImage shown = TOverlay::Draw(picture, FDecoder->Trace(), options);
  // Several symbols: each outlined and numbered as the result box lists it.
  if (options.Marks && FSymbols.size() > 1) shown = TOverlay::DrawSymbols(shown, FSymbols);
  FImage1->SetPicture(shown);
}

QString TForm1::ShowSymbols(const std::vector<TSymbolResult>& symbols) {
  QStringList copied;
  TAppendMerger merger;
  for (size_t i = 0; i < symbols.size(); ++i) {
    const TSymbolResult& symbol = symbols[i];
    const QString text =
        QString::fromStdString(TDisplayText::ToUtf8(symbol.Text, symbol.Eci, symbol.Hanzi));
    if (symbols.size() > 1) FResultMemo->AddLine(QStringLiteral("[%1]").arg(i + 1));
    FResultMemo->AddLine(text);
    copied.append(text);
    merger.Add(symbol);
  }
  for (const TAppendMerger::TMessage& message : merger.Messages()) {
    // The joined message; what is wrong with it goes to the message box.
    FResultMemo->AddLine(QStringLiteral("[連結 %1分割]").arg(message.Total));
    if (!message.Refused) {
      const QString text =
          QString::fromStdString(TDisplayText::ToUtf8(message.Bytes, message.Eci, message.Hanzi));
      FResultMemo->AddLine(text);
      copied.append(text);
    }
    if (!message.Problem.empty()) FMessMemo->AddLine(QString::fromStdString(message.Problem));
  }
  return copied.join(QStringLiteral("\n"));
}

void TForm1::OpenFiles(const QStringList& paths) {
  if (paths.size() == 1) {
    OpenFile(paths.front());
    return;
  }
  if (!FDecoder || paths.isEmpty()) return;
  FResultMemo->Clear();
  FMessMemo->Clear();
  FDecoder->SetWarp(FSpinEdit3->Value());
  FDecoder->SetResolver(FSpinEdit1->Value());
  FDecoder->SetForceVersion(FSpinEdit2->Value());
  std::vector<TSymbolResult> symbols;
  {
    TBusyCursor busy;
    for (const QString& path : paths) {
      TPictureFile::TResult loaded = TPictureFile::Load(QFile::encodeName(path).toStdString());
      if (!loaded.Ok) {
        FMessMemo->AddLine(QString::fromStdString(loaded.Error));
        continue;
      }
      for (TSymbolResult& symbol : FDecoder->DecodeAll(loaded.Bitmap))
        symbols.push_back(std::move(symbol));
      // The preview shows the last picture, whole.
      FLoadedBitmap = std::move(loaded.Bitmap);
    }
  }
  FCroppedBitmap = FLoadedBitmap;
  // The findings of the pictures are not this one's alone: none drawn.
  FSymbols.clear();
  FTraceShown = false;
  CheckBoxClick();
  FDecodedText = ShowSymbols(symbols);
  ShowLink(symbols.size() == 1 ? FDecodedText : QString());
  FCopyAction->setEnabled(!FDecodedText.isEmpty());
  FMessMemo->AddLine(symbols.empty() ? QStringLiteral("失敗") : QStringLiteral("完了"));
  FAnalyBtn->setEnabled(true);
}

void TForm1::ResultMemoKeyUp() {
  QTextCursor cursor = FResultMemo->textCursor();
  if (!cursor.hasSelection()) return;
  cursor.setPosition(cursor.selectionStart());
  FResultMemo->setTextCursor(cursor);
}

void TForm1::ResultMemoMouseUp() { ResultMemoKeyUp(); }

void TForm1::CopyResultText() {
  if (FDecodedText.isEmpty()) return;
  QGuiApplication::clipboard()->setText(FDecodedText);
}

void TForm1::N4Click() {
  if (FHelpForm == nullptr) return;
  FHelpForm->show();
  FHelpForm->raise();
  FHelpForm->activateWindow();
}

void TForm1::N5Click() {
  if (FInfo != nullptr) FInfo->exec();
}

QStringList TForm1::DroppedPictures(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  QStringList paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile() || !IsPictureName(url.toLocalFile())) return {};
    paths.append(url.toLocalFile());
  }
  return paths;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedPictures(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QStringList paths = DroppedPictures(event->mimeData());
  if (paths.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  // Let the drag finish before the region dialog takes over.
  QTimer::singleShot(0, this, [this, paths] { OpenFiles(paths); });
}

}  // namespace vornak
