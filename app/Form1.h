#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "common/Types.h"
#include "engine/SymbolResult.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QMimeData;
class QMenu;
class QPushButton;

namespace vornak {

class TVornak;
class TImageForm;
class THelpForm;
class Tinfo;
class THomeForm;
class TPictureBox;
class TMemo;
class TSpinEdit;

// The main window: loads a picture, has the region dialog crop it, holds the
// three tuning values, runs the decoder and shows its text and status.
class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Returns the chosen file name, or an empty string when the user cancels.
  using TFileChooser = std::function<QString(QWidget* parent)>;
  // Opens an address the user clicked (the desktop's handler by default).
  using TUrlOpener = std::function<void(const QUrl& url)>;

  // Every picture the loader reads first, then the two of old.
  static inline const QString kFileFilter = QStringLiteral(
      "all pictures (*.jpg *.jpeg *.bmp *.png *.gif *.tif *.tiff *.webp *.pbm *.pgm *.ppm);;"
      "Jpeg (*.jpg *.jpeg);;bmp (*.bmp)");

  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The windows this one opens; they are created after it at start-up.
  void Attach(TImageForm* imageForm, THelpForm* helpForm, Tinfo* info, THomeForm* homeForm);

  // Replaces the file-open dialog (tests); an empty chooser restores it.
  void SetFileChooser(TFileChooser chooser);
  // Replaces the address opener (tests); an empty one restores it.
  void SetUrlOpener(TUrlOpener opener);
  // The address the decoded text is, when it is one the link may open
  // (http, https, mailto, tel, and nothing else in the text); else empty.
  static QUrl LinkOf(const QString& text);

  void ImageReadBtnClick();
  void AnalyBtnClick();
  void ResultMemoKeyUp();
  void ResultMemoMouseUp();
  void N4Click();
  void N5Click();

  // Redraws the preview: the cropped picture, or after an analysis of it,
  // with what the decode found and/or as the binarized plane, as the two
  // check boxes under the spin boxes ask.
  void CheckBoxClick();

  // Loads a file as if it had been chosen in the file dialog.
  void OpenFile(const QString& path);
  // Takes the picture on the clipboard (a screenshot, a copied picture, or
  // copied picture files) as if it had been opened; says so when there is
  // none.
  void PasteClick();
  // Several pictures at once (dropped or opened together): each decoded
  // whole, without the region dialog, every symbol listed and the parts of
  // structured-append sequences joined across them.
  void OpenFiles(const QStringList& paths);
  // Copies the whole decoded text of the last analysis to the clipboard.
  void CopyResultText();

  TVornak* Decoder() const { return FDecoder.get(); }
  const TBitmap& LoadedBitmap() const { return FLoadedBitmap; }
  const TBitmap& CroppedBitmap() const { return FCroppedBitmap; }
  const QString& DecodedText() const { return FDecodedText; }
  // Every symbol of the last analysis, in reading order.
  const std::vector<TSymbolResult>& Symbols() const { return FSymbols; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FormCreate();
  void FormClose();
  void FormShow();
  void CreateControls();
  // The two check boxes, the result and message boxes and the copy action.
  void CreateResultBoxes();
  void CreateMenu();
  // The region dialog on a loaded picture, then the crop it leaves.
  void OpenBitmap(TBitmap bitmap);
  // The files chosen in the open dialog (or by the chooser); empty when
  // cancelled.
  QStringList ChooseFiles();
  void ShowError(const QString& message);
  // The picture files among dropped data; empty unless every file is one.
  static QStringList DroppedPictures(const QMimeData* data);
  // Lists the symbols (numbered when several) and the messages their
  // structured-append parts make in the result box; returns the text the
  // copy action takes.
  QString ShowSymbols(const std::vector<TSymbolResult>& symbols);

  std::unique_ptr<TVornak> FDecoder;
  TBitmap FLoadedBitmap;
  TBitmap FCroppedBitmap;
  QString FDecodedText;
  std::vector<TSymbolResult> FSymbols;
  TFileChooser FFileChooser;
  TUrlOpener FUrlOpener;
  // Under the result box: the decoded address as a link, opened only when
  // clicked; hidden unless the text is one.
  QLabel* FLinkLabel = nullptr;
  QUrl FLink;
  void ShowLink(const QString& text);

  TImageForm* FImageForm = nullptr;
  THelpForm* FHelpForm = nullptr;
  Tinfo* FInfo = nullptr;
  THomeForm* FHomeForm = nullptr;

  QWidget* FPanel1 = nullptr;
  QFrame* FBevel1 = nullptr;
  TPictureBox* FImage1 = nullptr;
  QPushButton* FImageReadBtn = nullptr;
  QPushButton* FAnalyBtn = nullptr;
  QLabel* FLabel8 = nullptr;
  QLabel* FLabel10 = nullptr;
  QLabel* FLabel11 = nullptr;
  TSpinEdit* FSpinEdit1 = nullptr;
  TSpinEdit* FSpinEdit2 = nullptr;
  TSpinEdit* FSpinEdit3 = nullptr;
  QCheckBox* FCheckBox1 = nullptr;  // the findings over the preview
  QCheckBox* FCheckBox2 = nullptr;  // the binarized picture as the preview
  // True while the decoder's trace belongs to the picture in the preview.
  bool FTraceShown = false;
  TMemo* FResultMemo = nullptr;
  TMemo* FMessMemo = nullptr;
  QAction* FCopyAction = nullptr;
};

}  // namespace vornak
