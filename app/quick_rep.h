// The print page: one A4 portrait page laid out in millimetres, with a header band holding two
// labels, a detail band holding eight images of the symbol in eight sizes, and an empty footer.
#pragma once

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <array>

class QPaintDevice;

// A text label: top-left corner in millimetres within its band; its box fits its text.
struct TQRLabel {
  QString text;
  QFont font;
  QPointF posMm;
};

// An image element: rectangle in millimetres within its band. Its picture, replaced at run time,
// is stretched to fill the rectangle.
struct TQRImage {
  QRectF rectMm;
  QImage picture;
};

// A horizontal band of the page.
struct TQRBand {
  double heightMm = 0;
};

// The page as a widget: at 96 pixels per inch the widget is exactly one A4 page, and it paints
// itself with the same function that paints the preview, a printer, a PDF or an image.
class TQuickRep : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kPaperWidthMm = 210.0;
  static constexpr double kPaperHeightMm = 297.0;
  // The header band starts this far below the top edge of the paper and the footer band ends this
  // far above the bottom edge, clear of a printer's unprintable strip. Bands span the full width.
  static constexpr double kTopMarginMm = 10.0;
  static constexpr double kBottomMarginMm = 10.0;

  explicit TQuickRep(QWidget* parent = nullptr);

  TQRBand PageHeaderBand1{14.0};
  TQRBand DetailBand1{140.2};
  TQRBand PageFooterBand1{5.0};

  TQRLabel QRLabel1;
  TQRLabel QRLabel2;

  TQRImage QRImage1;
  TQRImage QRImage2;
  TQRImage QRImage3;
  TQRImage QRImage4;
  TQRImage QRImage7;
  TQRImage QRImage8;
  TQRImage QRImage9;
  TQRImage QRImage10;

  // The eight image elements in the order the print command fills them.
  std::array<TQRImage*, 8> Images();
  std::array<const TQRImage*, 8> Images() const;

  // Band rectangles on the paper, in millimetres from its top-left corner.
  QRectF PageHeaderRectMm() const;
  QRectF DetailRectMm() const;
  QRectF PageFooterRectMm() const;
  // Where an image element lies on the paper, in millimetres.
  QRectF PaperRectMm(const TQRImage& image) const;

  // Paints the whole page on a device: a widget, an image (whose dots per metre give the scale),
  // a PDF writer or a printer. A paged device (QPdfWriter, QPrinter) is set to A4 portrait first,
  // a printer to full-page mode, so that the device's origin is the corner of the paper.
  void PaintPage(QPaintDevice& device) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
