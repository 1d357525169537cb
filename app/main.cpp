#include <QApplication>
#include <QStringList>
#include <QTimer>

#include "app/Startup.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vornak"));

  vornak::TStartup windows;
  windows.Show();

  // "vornak FILE" opens FILE as if it had been chosen in the file dialog,
  // once the main window is up.
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) {
    const QString path = arguments.at(1);
    QTimer::singleShot(0, &windows.Form1(), [&windows, path] { windows.Form1().OpenFile(path); });
  }
  return QApplication::exec();
}
