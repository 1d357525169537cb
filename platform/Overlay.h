#pragma once

#include <QColor>
#include <QImage>

#include <vector>

#include "common/Types.h"
#include "engine/SymbolResult.h"

namespace vornak {

class TDecodeTrace;

// Draws what a decode found over the decoded picture, for the window's
// preview and the command line's annotated picture: the finder candidates
// (orange rings), the symbol outline (blue), the sampled module centres
// (green dots), the two axes between the chosen finders when no grid was laid
// (red lines) and the chosen finder centres (red discs, drawn last so that a
// finder centre's own pixel is always red). Mark sizes grow with the picture
// so that they stay visible when it is shown shrunk to a small preview.
class TOverlay {
 public:
  struct TOptions {
    bool Marks = true;       // draw the findings
    bool Binarized = false;  // the pass's two-level plane instead of the picture
  };

  // Colours of the marks.
  static QColor FinderColour() { return QColor(255, 0, 0); }
  static QColor CandidateColour() { return QColor(255, 160, 0); }
  static QColor OutlineColour() { return QColor(0, 110, 255); }
  static QColor ModuleColour() { return QColor(0, 200, 0); }

  // The picture (or the plane) with the marks, in 32-bit RGB, of the
  // picture's size. A trace with nothing recorded gives the picture alone;
  // so does a plane whose size differs from the picture's (it then belongs
  // to another picture).
  static QImage Draw(const QImage& picture, const TDecodeTrace& trace, const TOptions& options);
  // Colour of the symbols' numbers.
  static QColor NumberColour() { return QColor(200, 0, 160); }
  // The picture (or what Draw made of it) with every symbol outlined and
  // numbered from 1 at its middle, in the order given.
  static QImage DrawSymbols(const QImage& picture, const std::vector<TSymbolResult>& symbols);

  // Black where the plane is dark, white elsewhere.
  static QImage PlaneImage(const TPlaneBoolean& plane);
};

}  // namespace vornak
