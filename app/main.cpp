// Start-up: creates the main window and runs the event loop until it closes.
//
// --lang en shows the window in English (zh, the default, in Chinese); --symbology and --encoding
// preset the boxes above the groups, as a person may change them. With --print-to-pdf FILE
// the window is not shown: the print command runs as if the preview's print button sent the page
// to a PDF printer, which writes FILE.
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <exception>
#include <iostream>

#include "Unit1.h"
#include "texts.h"

namespace {

int PrintToPdf(TfrmMain& frmMain, const QString& fileName) {
  bool printed = false;
  frmMain.showMessage = [](const QString& text, const QString& caption) {
    std::cerr << caption.toStdString() << ": " << text.toStdString() << std::endl;
  };
  frmMain.execPreview = [&](QPrintPreviewDialog& dialog) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    emit dialog.paintRequested(&printer);
    printed = true;
  };
  frmMain.BitBtn1Click();
  if (printed)
    std::cout << "Wrote the print page of " << frmMain.SymbolFile().toStdString() << " to "
              << fileName.toStdString() << std::endl;
  return printed ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("PDF417 barcode generator and reader"));
  parser.addHelpOption();
  const QCommandLineOption printOption(
      QStringLiteral("print-to-pdf"),
      QStringLiteral("Write the print page of bar.bmp to <file> instead of opening the window."),
      QStringLiteral("file"));
  parser.addOption(printOption);
  const QCommandLineOption langOption(
      QStringLiteral("lang"),
      QStringLiteral("The language of the window: zh (Chinese, the default) or en (English)."),
      QStringLiteral("language"), QStringLiteral("zh"));
  parser.addOption(langOption);
  // The values in the order of the boxes' items.
  const QStringList symbologies{QStringLiteral("pdf417"), QStringLiteral("micro")};
  const QCommandLineOption symbologyOption(
      QStringLiteral("symbology"),
      QStringLiteral("The symbology generated: pdf417 (the default) or micro (MicroPDF417)."),
      QStringLiteral("symbology"), symbologies.first());
  parser.addOption(symbologyOption);
  const QStringList encodings{QStringLiteral("gbk"), QStringLiteral("utf8"),
                              QStringLiteral("gbk-eci")};
  const QCommandLineOption encodingOption(
      QStringLiteral("encoding"),
      QStringLiteral("How the text becomes bytes: gbk (the default, no ECI), utf8 (UTF-8 under "
                     "ECI 26) or gbk-eci (GBK under ECI 32)."),
      QStringLiteral("encoding"), encodings.first());
  parser.addOption(encodingOption);
  parser.process(application);

  Language language = Language::Chinese;
  const int symbology = symbologies.indexOf(parser.value(symbologyOption).toLower());
  const int encoding = encodings.indexOf(parser.value(encodingOption).toLower());
  const auto refuse = [](const char* what, const QString& value, const char* known) {
    std::cerr << "pdf417-window: unknown " << what << " \"" << value.toStdString() << "\" ("
              << known << ")" << std::endl;
    return 2;
  };
  if (!ParseLanguage(parser.value(langOption), &language)) {
    return refuse("language", parser.value(langOption), "zh or en");
  }
  if (symbology < 0) return refuse("symbology", parser.value(symbologyOption), "pdf417 or micro");
  if (encoding < 0) {
    return refuse("encoding", parser.value(encodingOption), "gbk, utf8 or gbk-eci");
  }

  try {
    TfrmMain frmMain;
    frmMain.SetLanguage(language);
    frmMain.cbxSymbology->setCurrentIndex(symbology);
    frmMain.cbxEncoding->setCurrentIndex(encoding);
    if (parser.isSet(printOption)) return PrintToPdf(frmMain, parser.value(printOption));
    frmMain.show();
    return application.exec();
  } catch (const std::exception& e) {
    const QString text = Tr(Text::StartFailed, language).arg(QString::fromLocal8Bit(e.what()));
    std::cerr << text.toStdString() << std::endl;
    if (!parser.isSet(printOption)) {
      QMessageBox::critical(nullptr, Tr(Text::WindowTitle, language), text);
    }
    return 1;
  }
}
