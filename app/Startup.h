#pragma once

#include <QStringList>
#include <memory>

#include "app/Form1.h"
#include "app/HelpForm.h"
#include "app/HomeForm.h"
#include "app/ImageForm.h"
#include "app/Info.h"

namespace vornak {

// The program's five windows, created in start-up order: main window, region
// dialog, help window, About box, home window. They live until this object
// goes; only the main window is shown by Show().
class TStartup {
 public:
  // Needs the application object; installs the font substitutes.
  TStartup();
  ~TStartup();
  TStartup(const TStartup&) = delete;
  TStartup& operator=(const TStartup&) = delete;

  // Shows the main window (which opens the home window beside it). With a
  // file name after the program's name in the arguments, that file is then
  // opened as if it had been chosen in the file dialog.
  void Show(const QStringList& arguments = {});

  TForm1& Form1() { return *FForm1; }
  TImageForm& ImageForm() { return *FImageForm; }
  THelpForm& HelpForm() { return *FHelpForm; }
  Tinfo& Info() { return *FInfo; }
  THomeForm& HomeForm() { return *FHomeForm; }

 private:
  std::unique_ptr<TForm1> FForm1;
  std::unique_ptr<TImageForm> FImageForm;
  std::unique_ptr<THelpForm> FHelpForm;
  std::unique_ptr<Tinfo> FInfo;
  std::unique_ptr<THomeForm> FHomeForm;
};

}  // namespace vornak
