#include "symbol_io.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "pdf417/common/file_writer.h"

pdf417::Drawing WindowDrawing(int aspectRatio) {
  pdf417::Drawing drawing;
  drawing.moduleWidth = 1;
  drawing.rowHeight = aspectRatio;
  drawing.quietZone = 2;
  return drawing;
}

void SaveSymbol(const pdf417::Symbol& symbol, const QString& fileName) {
  const std::string name = QFile::encodeName(fileName).toStdString();
  const std::vector<std::uint8_t> bytes =
      pdf417::RenderImage(symbol, pdf417::FormatOfFileName(name));
  pdf417::WriteWholeFile(name, bytes.data(), bytes.size());
}

OfferedPicture PictureOffered(const QMimeData* mime) {
  OfferedPicture offered;
  if (mime == nullptr) return offered;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) {
      offered.file = url.toLocalFile();
      return offered;
    }
  }
  if (mime->hasImage()) offered.image = qvariant_cast<QImage>(mime->imageData());
  return offered;
}

std::vector<pdf417::DecodeResult> DecodeImage(const QImage& image) {
  if (image.isNull()) {
    pdf417::DecodeResult none;
    none.status = pdf417::DecodeStatus::FileUnreadable;
    none.message = "no picture";
    return {none};
  }
  // Red, green, blue and alpha bytes, which the decoder composites on white.
  const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
  pdf417::ImageView view;
  view.data = rgba.constBits();
  view.width = rgba.width();
  view.height = rgba.height();
  view.stride = rgba.bytesPerLine();
  view.format = pdf417::PixelFormat::RGBA32;
  return pdf417::Decode(view);
}
