// Renders the window's print page, every image element holding the given symbol picture as the
// window's print command fills them, to a grey PNG at the given resolution: a sample of what a
// person who prints the page and scans it back would hand the decoder.
//
//   make_samples_page SYMBOL_PICTURE DOTS_PER_INCH OUT.png
#include <QApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "quick_rep.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_samples_page SYMBOL_PICTURE DOTS_PER_INCH OUT.png\n");
    return 2;
  }
  QApplication application(argc, argv);
  const QImage symbol(QString::fromLocal8Bit(argv[1]));
  const int dpi = std::atoi(argv[2]);
  if (symbol.isNull() || dpi < 50 || dpi > 1200) {
    std::fprintf(stderr, "make_samples_page: cannot read %s or bad resolution %s\n", argv[1],
                 argv[2]);
    return 1;
  }
  TQuickRep page;
  for (TQRImage* image : page.Images()) image->picture = symbol;
  const double mmPerInch = 25.4;
  QImage paper(qRound(TQuickRep::kPaperWidthMm / mmPerInch * dpi),
               qRound(TQuickRep::kPaperHeightMm / mmPerInch * dpi), QImage::Format_RGB32);
  paper.setDotsPerMeterX(qRound(dpi / 0.0254));
  paper.setDotsPerMeterY(qRound(dpi / 0.0254));
  paper.fill(Qt::white);
  page.PaintPage(paper);
  if (!paper.convertToFormat(QImage::Format_Grayscale8)
           .save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "make_samples_page: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
