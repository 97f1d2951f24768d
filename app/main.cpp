// Start-up: creates the main window and runs the event loop until it closes.
//
// --lang en shows the window in English (zh, the default, in Chinese). With --print-to-pdf FILE
// the window is not shown: the print command runs as if the preview's print button sent the page
// to a PDF printer, which writes FILE.
#include <QApplication>
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
  parser.process(application);

  Language language = Language::Chinese;
  if (!ParseLanguage(parser.value(langOption), &language)) {
    std::cerr << "pdf417-window: unknown language \"" << parser.value(langOption).toStdString()
              << "\" (zh or en)" << std::endl;
    return 2;
  }

  try {
    TfrmMain frmMain;
    frmMain.SetLanguage(language);
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
