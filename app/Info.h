#pragma once

#include <QDialog>

class QLabel;

namespace vornak {

// The About box: the program's name, the maker's name and the maker's web
// address, which opens in the user's browser when clicked.
class Tinfo : public QDialog {
  Q_OBJECT

 public:
  explicit Tinfo(QWidget* parent = nullptr);

  void Label4Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* FLabel6 = nullptr;
  QLabel* FLabel3 = nullptr;
  QLabel* FLabel4 = nullptr;
};

}  // namespace vornak
