// Real photographs of the corpora that must read, each for a reason named
// beside it: what the photograph passes exist for, checked on pictures the
// rendered groups only imitate.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/Vornak.h"
#include "platform/PictureFile.h"

namespace vornak {
namespace {

namespace fs = std::filesystem;

struct TNamedPhoto {
  const char* Name;
  const char* Corpus;
  const char* File;  // the expected text beside it, as .txt
};

void PrintTo(const TNamedPhoto& p, std::ostream* os) { *os << p.Name; }

class NamedPhotoCorpusTest : public ::testing::TestWithParam<TNamedPhoto> {};

TEST_P(NamedPhotoCorpusTest, Reads) {
  const fs::path corpus = VORNAK_CORPUS_DIR;
  if (corpus.empty()) GTEST_SKIP() << "VORNAK_CORPUS is empty";
  const fs::path file = corpus / GetParam().Corpus / GetParam().File;
  ASSERT_TRUE(fs::exists(file)) << "no such corpus picture: " << file;
  std::ifstream in(fs::path(file).replace_extension(".txt"), std::ios::binary);
  const std::string expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(expected.empty());
  const TPictureFile::TResult picture = TPictureFile::Load(file.string());
  ASSERT_TRUE(picture.Ok) << picture.Error;
  TVornak component;
  component.SetWarp(6);
  ASSERT_TRUE(component.Decode(picture.Bitmap)) << component.ErrorText();
  EXPECT_EQ(component.ResultText(), expected);
}

// Glare over a small symbol: the plane, thresholded over an area many
// modules wide, loses the modules the glare lifts, while each still reads
// against the modules round it. A security seal whose glossy film shines
// over half its modules, and a label whose glare washes its middle.
INSTANTIATE_TEST_SUITE_P(
    GreyLevels, NamedPhotoCorpusTest,
    ::testing::Values(TNamedPhoto{"SealUnderGlossyFilm", "boofcv", "boofcv-glare-image037.jpg"},
                      TNamedPhoto{"LabelWashedInTheMiddle", "boofcv", "boofcv-glare-image045.jpg"}),
    [](const ::testing::TestParamInfo<TNamedPhoto>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace vornak
