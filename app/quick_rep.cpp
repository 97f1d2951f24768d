#include "quick_rep.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>

namespace {

constexpr double kMmPerInch = 25.4;

}  // namespace

TQuickRep::TQuickRep(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("QuickRep1"));

  QFont title(QStringLiteral("Arial"));
  title.setPointSizeF(14);
  title.setBold(true);
  QRLabel1 = {QStringLiteral("Zamplo二维条码测试"), title, {76.2, 4.2}};

  QFont web(QStringLiteral("Arial"));
  web.setPointSizeF(10);
  QRLabel2 = {QStringLiteral("www.example.com"), web, {171.5, 8.5}};

  QRImage2.rectMm = {15.9, 7.9, 28.8, 9.3};
  QRImage3.rectMm = {15.9, 23.3, 33.1, 13.0};
  QRImage1.rectMm = {15.9, 42.9, 39.4, 14.6};
  QRImage7.rectMm = {15.9, 65.1, 47.9, 19.8};
  QRImage9.rectMm = {15.9, 96.8, 62.7, 22.0};
  QRImage8.rectMm = {105.8, 10.1, 42.6, 19.8};
  QRImage10.rectMm = {105.8, 41.8, 59.5, 28.3};
  QRImage4.rectMm = {105.8, 77.8, 76.5, 30.4};
}

std::array<TQRImage*, 8> TQuickRep::Images() {
  return {&QRImage1, &QRImage2, &QRImage3, &QRImage4, &QRImage7, &QRImage8, &QRImage9, &QRImage10};
}

std::array<const TQRImage*, 8> TQuickRep::Images() const {
  return {&QRImage1, &QRImage2, &QRImage3, &QRImage4, &QRImage7, &QRImage8, &QRImage9, &QRImage10};
}

QRectF TQuickRep::PageHeaderRectMm() const {
  return {0, kTopMarginMm, kPaperWidthMm, PageHeaderBand1.heightMm};
}

QRectF TQuickRep::DetailRectMm() const {
  return {0, PageHeaderRectMm().bottom(), kPaperWidthMm, DetailBand1.heightMm};
}

QRectF TQuickRep::PageFooterRectMm() const {
  return {0, kPaperHeightMm - kBottomMarginMm - PageFooterBand1.heightMm, kPaperWidthMm,
          PageFooterBand1.heightMm};
}

QRectF TQuickRep::PaperRectMm(const TQRImage& image) const {
  return image.rectMm.translated(DetailRectMm().topLeft());
}

void TQuickRep::PaintPage(QPaintDevice& device) const {
  if (auto* printer = dynamic_cast<QPrinter*>(&device)) printer->setFullPage(true);
  if (auto* paged = dynamic_cast<QPagedPaintDevice*>(&device)) {
    paged->setPageSize(QPageSize(QPageSize::A4));
    paged->setPageOrientation(QPageLayout::Portrait);
    paged->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  }

  // Device pixels per millimetre. Fonts are given in points and so follow the device's own
  // resolution without help.
  const double sx = device.logicalDpiX() / kMmPerInch;
  const double sy = device.logicalDpiY() / kMmPerInch;
  const auto toDevice = [sx, sy](const QRectF& mm) {
    return QRectF(mm.x() * sx, mm.y() * sy, mm.width() * sx, mm.height() * sy);
  };

  QPainter painter(&device);
  if (!painter.isActive()) return;
  // Bars must stay sharp when a small symbol is stretched to a large box, and a PDF must not
  // store the symbol with lossy (JPEG) compression.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.setRenderHint(QPainter::LosslessImageRendering, true);
  painter.fillRect(toDevice({0, 0, kPaperWidthMm, kPaperHeightMm}), Qt::white);

  painter.setPen(Qt::black);
  const QPointF header = PageHeaderRectMm().topLeft();
  for (const TQRLabel* label : {&QRLabel1, &QRLabel2}) {
    painter.setFont(label->font);
    const QPointF topLeft((header.x() + label->posMm.x()) * sx,
                          (header.y() + label->posMm.y()) * sy);
    const QRectF box(topLeft, painter.fontMetrics().size(Qt::TextSingleLine, label->text));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, label->text);
  }

  for (const TQRImage* image : Images()) {
    if (!image->picture.isNull()) painter.drawImage(toDevice(PaperRectMm(*image)), image->picture);
  }
  // The page footer band is empty.
}

void TQuickRep::paintEvent(QPaintEvent*) { PaintPage(*this); }
