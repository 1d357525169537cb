#include "app/WindowStyle.h"

#include <QWidget>

namespace vornak {

void InstallFontSubstitutes() {
  QFont::insertSubstitution(kProportionalFamily, kProportionalSubstitute);
  QFont::insertSubstitution(kFixedFamily, kFixedSubstitute);
}

QFont WindowFont() {
  QFont font(kProportionalFamily);
  font.setPixelSize(12);
  return font;
}

QFont FixedFont() {
  QFont font(kFixedFamily);
  font.setPixelSize(12);
  font.setStyleHint(QFont::Monospace);
  return font;
}

void SetOuterSize(QWidget* window, QSize outer) {
  const QSize frame = window->frameGeometry().size() - window->geometry().size();
  window->resize(outer - frame);
}

}  // namespace vornak
