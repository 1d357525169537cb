#include <QApplication>

#include "app/Startup.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vornak"));

  // "vornak FILE" opens FILE as if it had been chosen in the file dialog.
  vornak::TStartup windows;
  windows.Show(QApplication::arguments());
  return QApplication::exec();
}
