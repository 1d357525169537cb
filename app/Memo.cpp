#include "app/Memo.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCursor>

namespace vornak {

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {}

void TMemo::Clear() {
  clear();
  FHasLines = false;
}

void TMemo::AddLine(const QString& line) {
  QString text = line;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar('\r'), QChar('\n'));
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  // The first line goes into the document's one empty block; every further
  // one opens a block of its own, even when it is empty itself.
  if (FHasLines || !document()->isEmpty()) text.prepend(QChar('\n'));
  cursor.insertText(text);
  FHasLines = true;
}

QStringList TMemo::Lines() const {
  if (!FHasLines && document()->isEmpty()) return {};
  return toPlainText().split(QChar('\n'));
}

void TMemo::keyPressEvent(QKeyEvent* event) {
  if (FCopyAction != nullptr && event->matches(QKeySequence::Copy)) {
    FCopyAction->trigger();
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TMemo::keyReleaseEvent(QKeyEvent* event) {
  QPlainTextEdit::keyReleaseEvent(event);
  emit KeyUp();
}

void TMemo::mouseReleaseEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseReleaseEvent(event);
  emit MouseUp();
}

void TMemo::contextMenuEvent(QContextMenuEvent* event) {
  if (FCopyAction == nullptr) {
    QPlainTextEdit::contextMenuEvent(event);
    return;
  }
  QMenu menu(this);
  menu.addAction(FCopyAction);
  menu.exec(event->globalPos());
}

}  // namespace vornak
