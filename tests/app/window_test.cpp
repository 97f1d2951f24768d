// The main window driven through its buttons, with message boxes, the file dialog and the print
// preview replaced by recorders so that nothing blocks.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <stdexcept>
#include <vector>

#include "Unit1.h"
#include "app_tests.h"
#include "decode_util.h"
#include "harness.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "quick_rep.h"

namespace {

const QString kCaption = QStringLiteral("讯息");

std::unique_ptr<Harness> harness;

// What the window shows in Image1, for comparison with a bitmap file.
QImage Shown1(const TfrmMain& window) {
  return window.Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}
QImage FileImage(const QString& path) { return QImage(path).convertToFormat(QImage::Format_RGB32); }

// Fills the generate fields; the defaults except for what is given.
void Fields(TfrmMain& w, const QString& data, const QString& hl = QStringLiteral("3"),
            const QString& level = QStringLiteral("1"),
            const QString& columns = QStringLiteral("5"),
            const QString& name = QStringLiteral("bar.bmp")) {
  w.memoMakeData->setPlainText(data);
  w.edtHL->setText(hl);
  w.edtLevel->setText(level);
  w.edtColum->setText(columns);
  w.edtMakeBarName->setText(name);
}

QString Repeat(const QString& s, int n) {
  QString out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

}  // namespace

void WindowTest::init() {
  harness = std::make_unique<Harness>();
  QVERIFY(QTest::qWaitForWindowExposed(harness->window.get()));
}

void WindowTest::cleanup() { harness.reset(); }

void WindowTest::defaultFieldsGenerateAndShowSymbol() {
  TfrmMain& w = *harness->window;
  w.memoMakeData->setPlainText(QStringLiteral("A"));
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  const QString bar = harness->Path(QStringLiteral("bar.bmp"));
  QVERIFY(QFile::exists(bar));
  // The file is the encoder's symbol for "A" with 5 columns, level 1 and aspect ratio 3.
  const std::vector<std::uint8_t> expected =
      pdf417::EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>("A"), 1, 5, 1, 3);
  QCOMPARE(FileBytes(bar), QByteArray(reinterpret_cast<const char*>(expected.data()),
                                      static_cast<qsizetype>(expected.size())));
  // Image1 shows it at its own size, from its usual corner.
  QCOMPARE(Shown1(w), FileImage(bar));
  QCOMPARE(w.Image1->geometry(), QRect(QPoint(26, 15), FileImage(bar).size()));
  QCOMPARE(w.SymbolFile(), bar);

  // Leading and trailing spaces and line breaks are not encoded.
  w.memoMakeData->setPlainText(QStringLiteral(" \r\n A\n\n "));
  QFile::remove(bar);
  Click(w.Button2);
  QCOMPARE(FileBytes(bar), QByteArray(reinterpret_cast<const char*>(expected.data()),
                                      static_cast<qsizetype>(expected.size())));
}

void WindowTest::invalidFieldsInOrder_data() {
  QTest::addColumn<QString>("hl");
  QTest::addColumn<QString>("level");
  QTest::addColumn<QString>("columns");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("data");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("focus");  // object name of the control that gets the focus

  const QString hlMsg = QStringLiteral("长宽比的取值范围为1~5");
  const QString levelMsg = QStringLiteral("纠错等级的取值范围为0~7");
  const QString colMsg = QStringLiteral("列数的取值范围为1~30");
  const QString nameMsg = QStringLiteral("生成文件名不能为空");
  const QString dataMsg = QStringLiteral("数据不能为空");
  // Every field bad: only the first check speaks.
  QTest::newRow("all bad") << "x"
                           << "1a"
                           << ""
                           << ""
                           << "" << hlMsg << "edtHL";
  QTest::newRow("empty aspect") << ""
                                << "1"
                                << "5"
                                << "bar.bmp"
                                << "A" << hlMsg << "edtHL";
  QTest::newRow("aspect 3.0") << "3.0"
                              << "1"
                              << "5"
                              << "bar.bmp"
                              << "A" << hlMsg << "edtHL";
  QTest::newRow("level 1a") << "3"
                            << "1a"
                            << "x"
                            << ""
                            << "" << levelMsg << "edtLevel";
  QTest::newRow("level empty") << "3"
                               << ""
                               << "5"
                               << "bar.bmp"
                               << "A" << levelMsg << "edtLevel";
  QTest::newRow("columns 5x") << "3"
                              << "1"
                              << "5x"
                              << ""
                              << "" << colMsg << "edtColum";
  QTest::newRow("columns too big for int") << "3"
                                           << "1"
                                           << "99999999999"
                                           << "bar.bmp"
                                           << "A" << colMsg << "edtColum";
  // The focus stays on the button that was pressed.
  QTest::newRow("name blank") << "3"
                              << "1"
                              << "5"
                              << " \t "
                              << "" << nameMsg << "Button2";
  QTest::newRow("data blank") << "3"
                              << "1"
                              << "5"
                              << "bar.bmp"
                              << " \n \r\n\t " << dataMsg << "Button2";
  QTest::newRow("data 1025 bytes")
      << "3"
      << "1"
      << "30"
      << "bar.bmp" << Repeat("A", 1025) << QStringLiteral("数据长度不能超过1K") << "Button2";
}

void WindowTest::invalidFieldsInOrder() {
  QFETCH(QString, hl);
  QFETCH(QString, level);
  QFETCH(QString, columns);
  QFETCH(QString, name);
  QFETCH(QString, data);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  TfrmMain& w = *harness->window;
  Fields(w, data, hl, level, columns, name);
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{1});
  QCOMPARE(harness->messages[0].text, message);
  QCOMPARE(harness->messages[0].caption, kCaption);
  QVERIFY(w.focusWidget());
  QCOMPARE(w.focusWidget()->objectName(), focus);
  QVERIFY(QDir(harness->dir.path()).isEmpty());
  QVERIFY(w.Image1->pixmap().isNull());
}

void WindowTest::dataLimitCountsGbkBytes() {
  TfrmMain& w = *harness->window;
  const QString bar = harness->Path(QStringLiteral("bar.bmp"));
  // 512 Chinese characters are 1,024 bytes: accepted (30 columns hold them).
  Fields(w, QStringLiteral(" \n") + Repeat(QStringLiteral("汉"), 512) + QStringLiteral("\n "),
         QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("30"));
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  QVERIFY(QFile::exists(bar));
  QFile::remove(bar);

  // One more byte, or one more character, is refused.
  for (const QString& extra : {QStringLiteral("A"), QStringLiteral("字")}) {
    w.memoMakeData->setPlainText(Repeat(QStringLiteral("汉"), 512) + extra);
    harness->messages.clear();
    Click(w.Button2);
    QCOMPARE(harness->messages.size(), std::size_t{1});
    QCOMPARE(harness->messages[0].text, QStringLiteral("数据长度不能超过1K"));
    QVERIFY(!QFile::exists(bar));
  }
}

void WindowTest::characterOutsideGbkIsRefused() {
  TfrmMain& w = *harness->window;
  w.memoMakeData->setPlainText(QStringLiteral("AB\U0001F600C"));
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{1});
  QVERIFY(harness->messages[0].text.contains(QStringLiteral("GBK")));
  QVERIFY(harness->messages[0].text.contains(QStringLiteral("\U0001F600")));
  QVERIFY(QDir(harness->dir.path()).isEmpty());
}

void WindowTest::encoderRefusalKeepsExistingFile() {
  TfrmMain& w = *harness->window;
  const QString bar = harness->Path(QStringLiteral("bar.bmp"));
  // Level 8 with 30 columns holds the letter A (512 error-correction codewords).
  Fields(w, QStringLiteral("A"), QStringLiteral("3"), QStringLiteral("8"), QStringLiteral("30"));
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  const QByteArray before = FileBytes(bar);
  QVERIFY(!before.isEmpty());
  const QImage shown = Shown1(w);

  // Values the encoder refuses: a box, the file and the display as they were.
  const struct {
    const char* hl;
    const char* level;
    const char* columns;
  } refused[] = {{"3", "9", "30"}, {"3", "-1", "5"}, {"0", "1", "5"},
                 {"3", "1", "0"},  {"3", "1", "31"}, {"3", "8", "1"}};
  for (const auto& r : refused) {
    Fields(w, QStringLiteral("A"), QString::fromLatin1(r.hl), QString::fromLatin1(r.level),
           QString::fromLatin1(r.columns));
    harness->messages.clear();
    Click(w.Button2);
    QCOMPARE(harness->messages.size(), std::size_t{1});
    QVERIFY2(harness->messages[0].text.startsWith(QStringLiteral("生成失败：")), r.level);
    QCOMPARE(harness->messages[0].caption, kCaption);
    QCOMPARE(FileBytes(bar), before);
    QCOMPARE(Shown1(w), shown);
  }

  // A file that cannot be written: a box, no file.
  Fields(w, QStringLiteral("A"), QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("5"),
         QStringLiteral("no-such-folder/x.bmp"));
  harness->messages.clear();
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{1});
  QVERIFY(harness->messages[0].text.startsWith(QStringLiteral("生成失败：无法写入文件")));
  QCOMPARE(QDir(harness->dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
           QStringList{QStringLiteral("bar.bmp")});
  QCOMPARE(w.SymbolFile(), bar);
}

void WindowTest::otherFileNameIsShownAndPrinted() {
  TfrmMain& w = *harness->window;
  Fields(w, QStringLiteral("A"));
  Click(w.Button2);
  const QString bar = harness->Path(QStringLiteral("bar.bmp"));
  const QString x = harness->Path(QStringLiteral("x.bmp"));
  const QByteArray barBefore = FileBytes(bar);

  Fields(w, QStringLiteral("another symbol, wider"), QStringLiteral("2"), QStringLiteral("2"),
         QStringLiteral("8"), QStringLiteral("  x.bmp \t"));
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  QVERIFY(QFile::exists(x));
  QCOMPARE(FileBytes(bar), barBefore);
  QVERIFY(FileImage(x).size() != FileImage(bar).size());
  QCOMPARE(Shown1(w), FileImage(x));
  QCOMPARE(w.SymbolFile(), x);

  Click(w.BitBtn1);
  QCOMPARE(harness->previews, 1);
  for (const TQRImage* image : w.QuickRep1->Images()) {
    QCOMPARE(image->picture.convertToFormat(QImage::Format_RGB32), FileImage(x));
  }
}

void WindowTest::chineseTextRoundTrips() {
  TfrmMain& w = *harness->window;
  const QString text = QStringLiteral("条码测试 PDF417\n第二行：中文与English混合");
  Fields(w, text, QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("6"));
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{0});

  const QString bar = harness->Path(QStringLiteral("bar.bmp"));
  if (testutil::DecodeFirst(bar.toStdString()).status == pdf417::DecodeStatus::NoSymbolFound) {
    QSKIP("the decoder does not read symbols yet (it finds no symbol in a fresh one)");
  }
  w.memoShow->setPlainText(QStringLiteral("old"));
  w.edtDecBarName->setText(QStringLiteral(" bar.bmp\t"));
  Click(w.Button4);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  QCOMPARE(w.memoShow->toPlainText(), text);
}

void WindowTest::decodingMissingFileKeepsMemo() {
  TfrmMain& w = *harness->window;
  QDir(harness->dir.path()).mkdir(QStringLiteral("folder.bmp"));
  for (const QString& name :
       {QStringLiteral("nothere.bmp"), QStringLiteral("  "), QStringLiteral("folder.bmp")}) {
    w.memoShow->setPlainText(QStringLiteral("kept"));
    w.edtDecBarName->setText(name);
    w.memoShow->setFocus();
    harness->messages.clear();
    Click(w.Button4);
    QCOMPARE(harness->messages.size(), std::size_t{1});
    QCOMPARE(harness->messages[0].text, QStringLiteral("指定的文件不存在"));
    QCOMPARE(harness->messages[0].caption, kCaption);
    QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.edtDecBarName));
    QCOMPARE(w.memoShow->toPlainText(), QStringLiteral("kept"));
  }
}

void WindowTest::decodingFailureIsReported() {
  TfrmMain& w = *harness->window;
  QFile junk(harness->Path(QStringLiteral("junk.bmp")));
  QVERIFY(junk.open(QIODevice::WriteOnly));
  junk.write("this is not a bitmap");
  junk.close();
  w.memoShow->setPlainText(QStringLiteral("kept"));
  w.edtDecBarName->setText(QStringLiteral("junk.bmp"));
  Click(w.Button4);
  QCOMPARE(harness->messages.size(), std::size_t{1});
  QVERIFY(harness->messages[0].text.startsWith(QStringLiteral("解码失败：")));
  QCOMPARE(harness->messages[0].caption, kCaption);
  QCOMPARE(w.memoShow->toPlainText(), QStringLiteral("kept"));
}

void WindowTest::browseFillsOrKeepsName() {
  TfrmMain& w = *harness->window;
  harness->fileToChoose = harness->Path(QStringLiteral("sub/../chosen.bmp"));
  Click(w.Button5);
  QCOMPARE(w.edtDecBarName->text(),
           QDir::toNativeSeparators(harness->Path(QStringLiteral("chosen.bmp"))));
  harness->fileToChoose.clear();  // cancelled
  Click(w.Button5);
  QCOMPARE(w.edtDecBarName->text(),
           QDir::toNativeSeparators(harness->Path(QStringLiteral("chosen.bmp"))));
  QCOMPARE(harness->messages.size(), std::size_t{0});
}

void WindowTest::exceptionInCommandIsShown() {
  TfrmMain& w = *harness->window;
  w.execOpenDialog = [](QFileDialog&) -> QString { throw std::runtime_error("dialog broke"); };
  Click(w.Button5);
  QCOMPARE(harness->messages.size(), std::size_t{1});
  QVERIFY(harness->messages[0].text.contains(QStringLiteral("dialog broke")));
  QCOMPARE(harness->messages[0].caption, kCaption);
  QCOMPARE(w.edtDecBarName->text(), QStringLiteral("bar.bmp"));

  // The window goes on working.
  w.memoMakeData->setPlainText(QStringLiteral("A"));
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{1});
  QVERIFY(!Shown1(w).isNull());
}

void WindowTest::printPreviewBeforeGeneration() {
  TfrmMain& w = *harness->window;
  // No bar.bmp yet: a box, no preview.
  Click(w.BitBtn1);
  QCOMPARE(harness->previews, 0);
  QCOMPARE(harness->messages.size(), std::size_t{1});
  QVERIFY(harness->messages[0].text.contains(QStringLiteral("bar.bmp")));

  // A bar.bmp that was there before the window generated anything is printed.
  const std::string data = "left over";
  pdf417::EncodePdf417(reinterpret_cast<const std::uint8_t*>(data.data()),
                       static_cast<int>(data.size()),
                       harness->Path(QStringLiteral("bar.bmp")).toStdString(), 4, 2, 2);
  Click(w.BitBtn1);
  QCOMPARE(harness->previews, 1);
  QCOMPARE(w.QuickRep1->QRImage10.picture.convertToFormat(QImage::Format_RGB32),
           FileImage(harness->Path(QStringLiteral("bar.bmp"))));

  // A file that is not a picture: a box, no preview.
  QFile file(harness->Path(QStringLiteral("bar.bmp")));
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write("BM broken");
  file.close();
  harness->messages.clear();
  Click(w.BitBtn1);
  QCOMPARE(harness->previews, 1);
  QCOMPARE(harness->messages.size(), std::size_t{1});
}

void WindowTest::printPreviewPaintsEightSymbols() {
  TfrmMain& w = *harness->window;
  Fields(w, QStringLiteral("打印测试"));
  Click(w.Button2);
  const QString pdfPath = harness->Path(QStringLiteral("page.pdf"));
  harness->onPreview = [&](QPrintPreviewDialog& dialog) {
    QCOMPARE(dialog.printer()->pageLayout().pageSize().id(), QPageSize::A4);
    QCOMPARE(dialog.printer()->pageLayout().orientation(), QPageLayout::Portrait);
    // What the preview would send to a printer, sent to a PDF file instead.
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(pdfPath);
    emit dialog.paintRequested(&pdf);
  };
  Click(w.BitBtn1);
  QCOMPARE(harness->previews, 1);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  QVERIFY(FileBytes(pdfPath).startsWith("%PDF-"));

  // On a page image at 10 pixels per millimetre each symbol lies inside its rectangle and
  // fills most of it (the quiet zone around the bars is light).
  QImage page(2100, 2970, QImage::Format_RGB32);
  page.setDotsPerMeterX(10000);
  page.setDotsPerMeterY(10000);
  w.QuickRep1->PaintPage(page);
  const QRect detail(0, 240, 2100, 1402);
  QRect darkBox;
  for (const TQRImage* image : w.QuickRep1->Images()) {
    const QRectF mm = w.QuickRep1->PaperRectMm(*image);
    const QRect r(qRound(mm.x() * 10), qRound(mm.y() * 10), qRound(mm.width() * 10),
                  qRound(mm.height() * 10));
    QRect bars;
    for (int y = r.top() - 20; y <= r.bottom() + 20; ++y)
      for (int x = r.left() - 20; x <= r.right() + 20; ++x)
        if (qGray(page.pixel(x, y)) < 128) bars |= QRect(x, y, 1, 1);
    QVERIFY(r.contains(bars));
    QVERIFY(bars.width() > r.width() * 8 / 10);
    QVERIFY(bars.height() > r.height() * 6 / 10);
    darkBox |= bars;
  }
  QVERIFY(detail.contains(darkBox));
}

void WindowTest::messageBoxIsModalWarningWithOk() {
  const auto box = MakeMessageBox(harness->window.get(), QStringLiteral("文字"), kCaption);
  QCOMPARE(box->windowTitle(), kCaption);
  QCOMPARE(box->text(), QStringLiteral("文字"));
  QCOMPARE(box->icon(), QMessageBox::Warning);
  QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
  QVERIFY(box->windowModality() != Qt::NonModal);
}
