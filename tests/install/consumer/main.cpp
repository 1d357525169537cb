// Reads the symbol of one picture through the installed library.
#include <cstdio>

#include "engine/Vornak.h"
#include "platform/DisplayText.h"
#include "platform/PictureFile.h"

int main(int argc, char* argv[]) {
  if (argc != 2) return 2;
  const vornak::TPictureFile::TResult picture = vornak::TPictureFile::Load(argv[1]);
  vornak::TVornak reader;
  if (!picture.Ok || !reader.Decode(picture.Bitmap)) return 1;
  const std::string text =
      vornak::TDisplayText::ToUtf8(reader.ResultText(), reader.Eci(), reader.Hanzi());
  std::printf("%s\n", text.c_str());
}
