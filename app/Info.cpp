#include "app/Info.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

#include "AppConfig.h"
#include "app/WindowStyle.h"

namespace vornak {

Tinfo::Tinfo(QWidget* parent) : QDialog(parent) {
  setObjectName("info");
  setWindowTitle(QStringLiteral("ホーム"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFont(WindowFont());
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(340, 168);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QColor(0x00, 0xFF, 0xFF));
  setPalette(colours);
  setAutoFillBackground(true);

  auto label = [this](const char* name, const QString& text, int left, int top, int pixels) {
    auto* result = new QLabel(text, this);
    result->setObjectName(name);
    QFont font = WindowFont();
    font.setPixelSize(pixels);
    result->setFont(font);
    result->move(left, top);
    return result;
  };
  FLabel6 = label("Label6", QStringLiteral("Orvik Ｖｏｒｎａｋ\u3000"), 48, 32, 27);
  QFont title = FLabel6->font();
  title.setBold(true);
  title.setItalic(true);
  FLabel6->setFont(title);

  FLabel3 = label("Label3", QString::fromUtf8(kMakerName), 56, 96, 16);
  QFont maker = FLabel3->font();
  maker.setBold(true);
  FLabel3->setFont(maker);

  FLabel4 = label("Label4", QString::fromUtf8(kMakerAddress), 72, 128, 12);
  QFont link = FLabel4->font();
  link.setUnderline(true);
  FLabel4->setFont(link);
  FLabel4->setCursor(Qt::PointingHandCursor);
  FLabel4->installEventFilter(this);

  for (QLabel* each : {FLabel6, FLabel3, FLabel4}) each->adjustSize();
}

void Tinfo::Label4Click() {
  // A bare host name such as www.example.org still opens as a web address.
  QDesktopServices::openUrl(QUrl::fromUserInput(FLabel4->text()));
}

bool Tinfo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FLabel4 && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Label4Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vornak
