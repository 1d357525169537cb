#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

namespace vornak {

// The usage window: one editable text box with the usage text.
class THelpForm : public QDialog {
  Q_OBJECT

 public:
  explicit THelpForm(QWidget* parent = nullptr);

  // The usage text, line by line.
  static QStringList UsageLines();

 private:
  QPlainTextEdit* FMemo1 = nullptr;
};

}  // namespace vornak
