// The print page painted on an image at 10 pixels per millimetre, and on paged devices.
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "app_tests.h"
#include "quick_rep.h"

namespace {

// 254 dots per inch: one millimetre is ten pixels.
constexpr int kDotsPerMetre = 10000;
constexpr int kPxPerMm = 10;

QImage PageImage(const TQuickRep& page) {
  QImage image(210 * kPxPerMm, 297 * kPxPerMm, QImage::Format_RGB32);
  image.setDotsPerMeterX(kDotsPerMetre);
  image.setDotsPerMeterY(kDotsPerMetre);
  image.fill(Qt::red);  // anything the page does not paint stays red
  page.PaintPage(image);
  return image;
}

bool Dark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

// Number of dark pixels in a rectangle of the image.
int DarkIn(const QImage& image, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += Dark(image, x, y);
  return n;
}

// The rectangles of the eight images within the detail band, in millimetres.
struct Expected {
  const char* name;
  double left, top, width, height;
};
constexpr Expected kImages[] = {
    {"QRImage2", 15.9, 7.9, 28.8, 9.3},     {"QRImage3", 15.9, 23.3, 33.1, 13.0},
    {"QRImage1", 15.9, 42.9, 39.4, 14.6},   {"QRImage7", 15.9, 65.1, 47.9, 19.8},
    {"QRImage9", 15.9, 96.8, 62.7, 22.0},   {"QRImage8", 105.8, 10.1, 42.6, 19.8},
    {"QRImage10", 105.8, 41.8, 59.5, 28.3}, {"QRImage4", 105.8, 77.8, 76.5, 30.4},
};
// The detail band starts below the top margin and the 14 mm header band.
constexpr double kDetailTopMm = TQuickRep::kTopMarginMm + 14.0;

QRect PixelRect(const Expected& e) {
  return QRect(qRound(e.left * kPxPerMm), qRound((kDetailTopMm + e.top) * kPxPerMm),
               qRound(e.width * kPxPerMm), qRound(e.height * kPxPerMm));
}

}  // namespace

void PageTest::imagesAtTheirMillimetreRectangles() {
  TQuickRep page;
  QImage black(5, 3, QImage::Format_Mono);
  black.fill(1);
  black.setColor(0, qRgb(255, 255, 255));
  black.setColor(1, qRgb(0, 0, 0));
  for (TQRImage* image : page.Images()) image->picture = black;

  const QImage image = PageImage(page);
  QCOMPARE(DarkIn(image, QRect(0, 0, 1, 1)), 0);
  QVERIFY(image.pixel(0, 0) != qRgb(255, 0, 0));  // the page is painted white

  // Each picture fills its rectangle, to the pixel: a ring one pixel inside is dark, a ring one
  // pixel outside is light.
  long covered = 0;
  long edges = 0;  // the edge pixels of the rectangles, not checked above
  for (const Expected& e : kImages) {
    const QRect r = PixelRect(e);
    const QRect inner = r.adjusted(1, 1, -1, -1);
    const QRect outer = r.adjusted(-1, -1, 1, 1);
    QVERIFY2(DarkIn(image, inner) == inner.width() * inner.height(), e.name);
    for (int x = outer.left(); x <= outer.right(); ++x) {
      QVERIFY2(!Dark(image, x, outer.top()) && !Dark(image, x, outer.bottom()), e.name);
    }
    for (int y = outer.top(); y <= outer.bottom(); ++y) {
      QVERIFY2(!Dark(image, outer.left(), y) && !Dark(image, outer.right(), y), e.name);
    }
    covered += static_cast<long>(r.width()) * r.height();
    edges += 2L * (r.width() + r.height());
  }
  // Nothing else in the detail and footer bands is dark.
  const QRect detail(0, qRound(kDetailTopMm * kPxPerMm), image.width(),
                     image.height() - qRound(kDetailTopMm * kPxPerMm));
  const long dark = DarkIn(image, detail);
  QVERIFY2(std::abs(dark - covered) <= edges, qPrintable(QString::number(dark - covered)));
}

void PageTest::headerLabelsInHeaderBand() {
  TQuickRep page;
  const QImage image = PageImage(page);
  const int headerTop = qRound(TQuickRep::kTopMarginMm * kPxPerMm);
  const int headerBottom = headerTop + 14 * kPxPerMm;
  // Nothing above the header band, nothing left of the first label within it.
  QCOMPARE(DarkIn(image, QRect(0, 0, image.width(), headerTop)), 0);
  QCOMPARE(DarkIn(image, QRect(0, headerTop, 762, 14 * kPxPerMm)), 0);
  // The title starts at 76.2 mm and 4.2 mm; the web address at 171.5 mm and 8.5 mm.
  QVERIFY(DarkIn(image, QRect(762, headerTop + 42, 1715 - 762, 14 * kPxPerMm - 42)) > 500);
  QCOMPARE(DarkIn(image, QRect(762, headerTop, 1715 - 762, 42)), 0);
  QVERIFY(DarkIn(image, QRect(1715, headerTop + 85, image.width() - 1715, 60)) > 100);
  QCOMPARE(DarkIn(image, QRect(1715, headerTop, image.width() - 1715, 85)), 0);
  // With no pictures the detail band is empty.
  QCOMPARE(DarkIn(image, QRect(0, headerBottom + 10, image.width(), 1400)), 0);
}

void PageTest::pagedDevicesGetA4FullPage() {
  QTemporaryDir dir;
  TQuickRep page;
  QImage symbol(20, 10, QImage::Format_RGB32);
  symbol.fill(Qt::black);
  for (TQRImage* image : page.Images()) image->picture = symbol;

  QPdfWriter pdf(dir.filePath(QStringLiteral("page.pdf")));
  pdf.setPageSize(QPageSize(QPageSize::Letter));
  pdf.setPageOrientation(QPageLayout::Landscape);
  page.PaintPage(pdf);
  QCOMPARE(pdf.pageLayout().pageSize().id(), QPageSize::A4);
  QCOMPARE(pdf.pageLayout().orientation(), QPageLayout::Portrait);
  QCOMPARE(pdf.pageLayout().margins(QPageLayout::Millimeter), QMarginsF(0, 0, 0, 0));

  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath(QStringLiteral("printer.pdf")));
  printer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
  page.PaintPage(printer);
  QVERIFY(printer.fullPage());
  QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A4);

  for (const char* name : {"page.pdf", "printer.pdf"}) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY2(bytes.startsWith("%PDF-"), name);
    // The symbols are stored losslessly: JPEG would blur the bars.
    QVERIFY2(bytes.contains("/Image") && !bytes.contains("/DCTDecode"), name);
  }
}
