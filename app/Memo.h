#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringList>

class QAction;

namespace vornak {

// A multi-line text box that is filled line by line and reports key and
// mouse-button releases. With a copy action set, its context menu offers that
// action and Ctrl+C triggers it instead of copying the (usually absent)
// selection.
class TMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TMemo(QWidget* parent = nullptr);

  // Empties the box: no lines at all.
  void Clear();
  // Appends one line; line breaks inside it start further lines.
  void AddLine(const QString& line);
  QStringList Lines() const;

  void SetCopyAction(QAction* action) { FCopyAction = action; }

 signals:
  void KeyUp();
  void MouseUp();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  bool FHasLines = false;
  QAction* FCopyAction = nullptr;
};

}  // namespace vornak
