#include "app/Startup.h"

#include <QDesktopServices>
#include <QTimer>

#include "app/WindowStyle.h"

namespace vornak {

TStartup::TStartup() {
  InstallFontSubstitutes();
  FForm1 = std::make_unique<TForm1>();
  // The dialogs belong to the main window so that they centre on it.
  FImageForm = std::make_unique<TImageForm>(FForm1.get());
  FHelpForm = std::make_unique<THelpForm>(FForm1.get());
  FInfo = std::make_unique<Tinfo>(FForm1.get());
  FHomeForm = std::make_unique<THomeForm>();
  FForm1->Attach(FImageForm.get(), FHelpForm.get(), FInfo.get(), FHomeForm.get());
  // The user's browser cannot read pages bundled with the program; the home
  // window shows those.
  QDesktopServices::setUrlHandler(QStringLiteral("qrc"), FHomeForm.get(), "ShowUrl");
}

TStartup::~TStartup() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("qrc"));
  // Children of the main window go first, then the main window itself.
  FHomeForm.reset();
  FInfo.reset();
  FHelpForm.reset();
  FImageForm.reset();
  FForm1.reset();
}

void TStartup::Show(const QStringList& arguments) {
  FForm1->show();
  if (arguments.size() < 2) return;
  // Once the main window is up, so that the region dialog opens over it;
  // several files (a desktop's "open with") are read together.
  const QStringList paths = arguments.mid(1);
  TForm1* form = FForm1.get();
  QTimer::singleShot(0, form, [form, paths] { form->OpenFiles(paths); });
}

}  // namespace vornak
