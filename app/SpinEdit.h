#pragma once

#include <QSpinBox>
#include <cstdint>

namespace vornak {

// An integer spin box that lets the user type any whole number and pulls it
// into range only when the box loses the focus (or Enter is pressed).
// Value() reads the text as it stands: a whole number as typed, anything else
// as the minimum.
class TSpinEdit : public QSpinBox {
  Q_OBJECT

 public:
  TSpinEdit(int32_t minimum, int32_t maximum, int32_t value, QWidget* parent = nullptr);

  int32_t Value() const;

  QValidator::State validate(QString& input, int& position) const override;
  void fixup(QString& input) const override;

 private:
  // The whole number the text spells, if it spells one that fits 32 bits.
  static bool Parse(const QString& text, int32_t& value);
};

}  // namespace vornak
