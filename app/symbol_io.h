// The symbol between the window and the outside: the drawing the window makes, files saved in
// the format their name asks for, pictures from the clipboard or a drop, and decoding a picture
// held in memory.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/symbol.h"

class QMimeData;

// How the window draws a symbol: one pixel a module and `aspectRatio` pixel rows a symbol row,
// within a quiet zone of two modules.
pdf417::Drawing WindowDrawing(int aspectRatio);

// Writes the symbol as the file's extension asks (.png, .svg or .bmp, any case), replacing the
// file only once it is completely written. Throws pdf417::Error: InvalidArgument for another
// extension, FileWrite when the file cannot be written.
void SaveSymbol(const pdf417::Symbol& symbol, const QString& fileName);

// A picture offered by the clipboard or a drop: a local file (the first one offered), or else
// the pixels themselves. Both empty when neither is offered.
struct OfferedPicture {
  QString file;
  QImage image;
  bool empty() const { return file.isEmpty() && image.isNull(); }
};
OfferedPicture PictureOffered(const QMimeData* mime);

// Decodes every symbol in a picture held in memory (as pdf417::Decode does a file).
std::vector<pdf417::DecodeResult> DecodeImage(const QImage& image);
