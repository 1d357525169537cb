#include "app/HelpForm.h"

#include <QPlainTextEdit>

#include "app/WindowStyle.h"

namespace vornak {

THelpForm::THelpForm(QWidget* parent) : QDialog(parent) {
  setObjectName("HelpForm");
  setWindowTitle(QStringLiteral("使用方法"));
  // A fixed single border with the close box only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFont(WindowFont());
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(416, 367);

  FMemo1 = new QPlainTextEdit(this);
  FMemo1->setObjectName("Memo1");
  FMemo1->setGeometry(0, 0, 416, 367);
  FMemo1->setPlainText(UsageLines().join(QChar('\n')));
}

QStringList THelpForm::UsageLines() {
  return {
      QStringLiteral(""),
      QStringLiteral("　1.ＱＲコードの読み込み"),
      QStringLiteral(""),
      QStringLiteral("　　メニューのファイルの読み込み又はボタン読込を押します。"),
      QStringLiteral("　　ダイアログでイメージファイル（ＢＭＰ又はＪＰｅｇ）を指定します。"),
      QStringLiteral(""),
      QStringLiteral("　２．範囲の選択"),
      QStringLiteral(""),
      QStringLiteral("　　読み込みしたイメージがＱＲコードのみの場合は、読み取りを押します。"),
      QStringLiteral("　　イメージのＱＲコードの部分を使用する場合は、マウス左ボタンを押したまま"),
      QStringLiteral("　　ドラッグして、範囲を指定します。"),
      QStringLiteral("　　範囲指定ができましたら、読み取りを押します。"),
      QStringLiteral(""),
      QStringLiteral("　３．ＱＲイメージが表示されましたら、解析を押します。"),
      QStringLiteral(""),
      QStringLiteral("　４．パラメータについて"),
      QStringLiteral(""),
      QStringLiteral("　　（１）Resolver"),
      QStringLiteral("          イメージを白黒のDotにするための閾値です。(-128 - 128)"),
      QStringLiteral("          画像が不鮮明の場合に調整します。"),
      QStringLiteral(""),
      QStringLiteral("　　（２）Warp"),
      QStringLiteral("　　　　　イメージが四角形より歪んでいる場合に使用します。(1 - 6)　"),
      QStringLiteral(""),
      QStringLiteral("    （３）ForceVersion"),
      QStringLiteral("          型番が予め分かっている場合に使用します。"),
      QStringLiteral("　　　　　読み取り精度と解析速度が向上します。"),
      QStringLiteral("　　　　　0の場合は、型番を自動判別します。(但し型番14まで)"),
      QStringLiteral(""),
  };
}

}  // namespace vornak
