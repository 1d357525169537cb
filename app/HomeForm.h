#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace vornak {

// The home window: the maker's home page beside the main window.
class THomeForm : public QWidget {
  Q_OBJECT

 public:
  explicit THomeForm(QWidget* parent = nullptr);

  // Shows the page at the address in the browser control. Pages bundled with
  // the program and local files are shown here; a network address, which the
  // control cannot fetch, is offered as a link that opens in the user's
  // browser.
  void OpenPage(const QString& address);

  QTextBrowser* WebBrowser1() const { return FWebBrowser1; }

 public slots:
  // Opens the page and brings the window forward (handler for addresses of
  // pages bundled with the program).
  void ShowUrl(const QUrl& url);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  QTextBrowser* FWebBrowser1 = nullptr;
};

}  // namespace vornak
