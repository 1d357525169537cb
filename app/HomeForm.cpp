#include "app/HomeForm.h"

#include <QShowEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "AppConfig.h"
#include "app/WindowStyle.h"

// The bundled page lives in a static library: make sure the linker keeps it.
static void InitHomeResource() { Q_INIT_RESOURCE(Home); }

namespace vornak {

THomeForm::THomeForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  InitHomeResource();
  setObjectName("HomeForm");
  setWindowTitle(QStringLiteral("ホーム"));
  setFont(WindowFont());
  setAttribute(Qt::WA_QuitOnClose, false);

  FWebBrowser1 = new QTextBrowser(this);
  FWebBrowser1->setObjectName("WebBrowser1");
  FWebBrowser1->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FWebBrowser1);

  move(650, 150);
  SetOuterSize(this, QSize(526, 460));
}

void THomeForm::OpenPage(const QString& address) {
  const QUrl url = QUrl::fromUserInput(address);
  const QString scheme = url.scheme().toLower();
  if (scheme == "qrc" || scheme == "file") {
    FWebBrowser1->setSource(url);
    return;
  }
  FWebBrowser1->setHtml(
      QStringLiteral("<p><a href=\"%1\">%2</a></p>")
          .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(), address.toHtmlEscaped()));
}

void THomeForm::ShowUrl(const QUrl& url) {
  show();
  raise();
  OpenPage(url.toString());
}

void THomeForm::FormShow() { OpenPage(QString::fromUtf8(kHomePageAddress)); }

void THomeForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  SetOuterSize(this, QSize(526, 460));
  FormShow();
}

}  // namespace vornak
