#pragma once

#include <QFont>
#include <QSize>
#include <QString>

class QWidget;

namespace vornak {

// The windows name the Japanese system fonts they were laid out with; these
// are mapped onto metric-compatible families that a Linux desktop has.
inline const QString kProportionalFamily = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kFixedFamily = QStringLiteral("ＭＳ ゴシック");
inline const QString kProportionalSubstitute = QStringLiteral("IPAPGothic");
inline const QString kFixedSubstitute = QStringLiteral("IPAGothic");

// Registers the substitutes; call once after the application object exists.
void InstallFontSubstitutes();

// The windows' default font and the result box's font, both 12 pixels high.
QFont WindowFont();
QFont FixedFont();

// Sizes a top-level window so that its outer size, frame and title bar
// included, is the given one as far as the frame is known yet.
void SetOuterSize(QWidget* window, QSize outer);

}  // namespace vornak
