#include "app/SpinEdit.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <algorithm>

namespace vornak {

TSpinEdit::TSpinEdit(int32_t minimum, int32_t maximum, int32_t value, QWidget* parent)
    : QSpinBox(parent) {
  setRange(minimum, maximum);
  setValue(value);
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

bool TSpinEdit::Parse(const QString& text, int32_t& value) {
  static const QRegularExpression number(QStringLiteral("^\\s*[+-]?\\d{1,10}\\s*$"));
  if (!number.match(text).hasMatch()) return false;
  bool ok = false;
  const qlonglong wide = text.trimmed().toLongLong(&ok);
  if (!ok || wide < INT32_MIN || wide > INT32_MAX) return false;
  value = static_cast<int32_t>(wide);
  return true;
}

int32_t TSpinEdit::Value() const {
  int32_t value = 0;
  return Parse(lineEdit()->text(), value) ? value : minimum();
}

QValidator::State TSpinEdit::validate(QString& input, int&) const {
  static const QRegularExpression partial(QStringLiteral("^\\s*[+-]?\\d{0,10}\\s*$"));
  if (!partial.match(input).hasMatch()) return QValidator::Invalid;
  int32_t value = 0;
  if (!Parse(input, value)) return QValidator::Intermediate;
  return value >= minimum() && value <= maximum() ? QValidator::Acceptable
                                                  : QValidator::Intermediate;
}

void TSpinEdit::fixup(QString& input) const {
  int32_t value = 0;
  if (!Parse(input, value)) value = minimum();
  input = QString::number(
      std::clamp(value, static_cast<int32_t>(minimum()), static_cast<int32_t>(maximum())));
}

}  // namespace vornak
