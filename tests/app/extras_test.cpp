// The window's choices beside its classic controls: language, symbology and text encoding; the
// symbol saved, copied, fitted to the display; pictures pasted and dropped; decode details.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include "app_tests.h"
#include "charsets.h"
#include "harness.h"
#include "pdf417/decoder/decoder.h"
#include "quick_rep.h"
#include "texts.h"

namespace {

std::unique_ptr<Harness> harness;

bool HasCjk(const QString& text) {
  for (const QChar c : text) {
    const ushort u = c.unicode();
    if ((u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) ||
        (u >= 0xFF00 && u <= 0xFFEF) || (u >= 0x3000 && u <= 0x303F)) {
      return true;
    }
  }
  return false;
}

QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

// Symbology and encoding first (the symbology keeps its own columns), then the fields.
void Choose(TfrmMain& w, int symbology, int encoding, const QString& data,
            const QString& columns = QString()) {
  w.cbxSymbology->setCurrentIndex(symbology);
  w.cbxEncoding->setCurrentIndex(encoding);
  w.memoMakeData->setPlainText(data);
  if (!columns.isNull()) w.edtColum->setText(columns);
}

// Every symbol in a picture file; an SVG drawing is drawn by rsvg-convert first.
std::vector<pdf417::DecodeResult> ReadBack(const QString& file) {
  QString picture = file;
  if (file.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    picture = file + QStringLiteral(".png");
    const int status =
        QProcess::execute(QStringLiteral("rsvg-convert"),
                          {QStringLiteral("-z"), QStringLiteral("3"), QStringLiteral("-b"),
                           QStringLiteral("white"), QStringLiteral("-o"), picture, file});
    if (status != 0) return {};
  }
  return pdf417::Decode(QFile::encodeName(picture).toStdString());
}

}  // namespace

void ExtrasTest::init() {
  harness = std::make_unique<Harness>();
  QVERIFY(QTest::qWaitForWindowExposed(harness->window.get()));
}

void ExtrasTest::cleanup() { harness.reset(); }

void ExtrasTest::everyTextInBothLanguages() {
  static const QRegularExpression placeholder(QStringLiteral("%\\d"));
  const auto placeholders = [](const QString& text) {
    QStringList found;
    for (auto it = placeholder.globalMatch(text); it.hasNext();) found << it.next().captured();
    found.sort();
    return found;
  };
  for (int i = 0; i < static_cast<int>(Text::Count); ++i) {
    const QString zh = Tr(static_cast<Text>(i), Language::Chinese);
    const QString en = Tr(static_cast<Text>(i), Language::English);
    QVERIFY2(!zh.isEmpty() && !en.isEmpty(), qPrintable(QString::number(i)));
    QVERIFY2(!HasCjk(en), qPrintable(en));
    QCOMPARE(placeholders(en), placeholders(zh));
  }
  const struct {
    const char* name;
    bool known;
    Language language;
  } names[] = {{"en", true, Language::English},  {" EN_us", true, Language::English},
               {"zh", true, Language::Chinese},  {"zh_CN", true, Language::Chinese},
               {"fr", false, Language::Chinese}, {"", false, Language::Chinese}};
  for (const auto& n : names) {
    Language language = Language::Chinese;
    QCOMPARE(ParseLanguage(QString::fromLatin1(n.name), &language), n.known);
    QCOMPARE(language, n.language);
  }
}

void ExtrasTest::windowSwitchesLanguage() {
  TfrmMain& w = *harness->window;
  // Every text the window shows, its dialogs' and its print page's.
  const auto shownTexts = [&w] {
    QStringList texts{w.windowTitle(), w.OpenDialog1->windowTitle(), w.SaveDialog1->windowTitle(),
                      w.QuickRep1->QRLabel1.text};
    texts << w.OpenDialog1->nameFilters() << w.SaveDialog1->nameFilters();
    for (QWidget* child : w.findChildren<QWidget*>()) {
      if (child->window() != &w) continue;  // the dialogs' own widgets
      texts << child->toolTip();
      if (auto* label = qobject_cast<QLabel*>(child)) texts << label->text();
      if (auto* button = qobject_cast<QAbstractButton*>(child)) texts << button->text();
      if (auto* group = qobject_cast<QGroupBox*>(child)) texts << group->title();
      if (auto* combo = qobject_cast<QComboBox*>(child); combo && combo != w.cbxLanguage) {
        for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
      }
    }
    return texts;
  };
  w.cbxSymbology->setCurrentIndex(1);  // its tooltips too
  w.cbxLanguage->setCurrentIndex(1);
  QCOMPARE(w.CurrentLanguage(), Language::English);
  for (const QString& text : shownTexts()) QVERIFY2(!HasCjk(text), qPrintable(text));
  QCOMPARE(w.Button2->text(), QStringLiteral("Generate"));

  // Back in Chinese, the classic captions are as they were.
  w.SetLanguage(Language::Chinese);
  QCOMPARE(w.cbxLanguage->currentIndex(), 0);
  const std::pair<QWidget*, const char*> classic[] = {
      {w.GroupBox1, "编码"},  {w.Label6, "数据"},    {w.Label1, "长宽比"},
      {w.Label2, "纠错等级"}, {w.Label3, "列数"},    {w.Label4, "生成文件"},
      {w.Button2, "生成"},    {w.GroupBox2, "解码"}, {w.Label5, "条码文件名"},
      {w.Button5, "路径"},    {w.Label7, "数据"},    {w.Button4, "解码"},
      {w.GroupBox3, "显示"},  {w.BitBtn1, "打印"}};
  const auto captionOf = [](QWidget* widget) {
    if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    return qobject_cast<QAbstractButton*>(widget)->text();
  };
  for (const auto& [widget, caption] : classic)
    QCOMPARE(captionOf(widget), QString::fromUtf8(caption));
  QCOMPARE(w.windowTitle(), QStringLiteral("ZamploPDF417二维条码编解码演示"));
  QCOMPARE(w.QuickRep1->QRLabel1.text, QStringLiteral("Zamplo二维条码测试"));
}

void ExtrasTest::messagesByChoice_data() {
  QTest::addColumn<int>("language");
  QTest::addColumn<int>("symbology");  // 0 PDF417, 1 MicroPDF417
  QTest::addColumn<int>("encoding");
  QTest::addColumn<QString>("level");
  QTest::addColumn<QString>("columns");
  QTest::addColumn<QString>("data");
  QTest::addColumn<QString>("message");  // the whole message, or its start when it ends in "…"
  QTest::addColumn<QString>("focus");

  const int en = static_cast<int>(Language::English);
  const int zh = static_cast<int>(Language::Chinese);
  QTest::newRow("en level") << en << 0 << 0 << "1a"
                            << "5"
                            << "A"
                            << "The error-correction level ranges from 0 to 7"
                            << "edtLevel";
  QTest::newRow("en columns") << en << 0 << 0 << "1"
                              << "5x"
                              << "A"
                              << "The number of columns ranges from 1 to 30"
                              << "edtColum";
  QTest::newRow("en empty data") << en << 0 << 0 << "1"
                                 << "5"
                                 << " \n "
                                 << "The data must not be empty"
                                 << "Button2";
  QTest::newRow("en not GBK") << en << 0 << 0 << "1"
                              << "5"
                              << "A\U0001F600"
                              << "The data holds the character “\U0001F600”, which GBK cannot "
                                 "represent"
                              << "Button2";
  // MicroPDF417 reads no level (a bad one passes) and takes 0 to 4 columns.
  QTest::newRow("micro columns 5") << zh << 1 << 0 << "1a"
                                   << "5"
                                   << "A"
                                   << "MicroPDF417的列数取值范围为1~4，0为自动选择"
                                   << "edtColum";
  QTest::newRow("en micro columns x") << en << 1 << 1 << "1"
                                      << "x"
                                      << "A"
                                      << "A MicroPDF417 symbol has 1 to 4 columns; 0 chooses them"
                                      << "edtColum";
  QTest::newRow("micro too long") << zh << 1 << 0 << "1"
                                  << "1" << QString(200, QLatin1Char('x')) << "生成失败：…"
                                  << "Button2";
  // With an ECI, 0 columns and level -1 are refused as the classic output refuses them.
  QTest::newRow("eci columns 0") << zh << 0 << 1 << "1"
                                 << "0"
                                 << "A"
                                 << "生成失败：…"
                                 << "Button2";
  QTest::newRow("en eci level -1") << en << 0 << 2 << "-1"
                                   << "5"
                                   << "A"
                                   << "Not generated: …"
                                   << "Button2";
}

void ExtrasTest::messagesByChoice() {
  QFETCH(int, language);
  QFETCH(int, symbology);
  QFETCH(int, encoding);
  QFETCH(QString, level);
  QFETCH(QString, columns);
  QFETCH(QString, data);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  TfrmMain& w = *harness->window;
  w.SetLanguage(static_cast<Language>(language));
  Choose(w, symbology, encoding, data, columns);
  w.edtLevel->setText(level);
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{1});
  const QString shown = harness->messages[0].text;
  if (message.endsWith(QStringLiteral("…"))) {
    QVERIFY2(shown.startsWith(message.chopped(1)), qPrintable(shown));
  } else {
    QCOMPARE(shown, message);
  }
  QCOMPARE(harness->messages[0].caption, Tr(Text::Caption, static_cast<Language>(language)));
  QCOMPARE(w.focusWidget()->objectName(), focus);
  QVERIFY(!QFile::exists(harness->Path(QStringLiteral("bar.bmp"))));
}

void ExtrasTest::savedSymbolsReadBack_data() {
  QTest::addColumn<int>("symbology");
  QTest::addColumn<int>("encoding");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("saveAs");  // the name the save dialog returns
  QTest::addColumn<QString>("saved");   // the file written
  QTest::addColumn<int>("eci");

  QTest::newRow("classic png") << 0 << 0 << "PDF417 测试"
                               << "s.png"
                               << "s.png" << -1;
  QTest::newRow("classic svg") << 0 << 0 << "PDF417 测试"
                               << "s.SVG"
                               << "s.SVG" << -1;
  QTest::newRow("utf-8 png, no suffix") << 0 << 1 << "Grüße 汉字"
                                        << "s"
                                        << "s.png" << 26;
  QTest::newRow("utf-8 svg") << 0 << 1 << "Grüße 汉字"
                             << "s.svg"
                             << "s.svg" << 26;
  QTest::newRow("gbk eci bmp") << 0 << 2 << "汉字 GBK"
                               << "s.bmp"
                               << "s.bmp" << 32;
  QTest::newRow("micro png") << 1 << 0 << "LOT 4711 批号"
                             << "m.png"
                             << "m.png" << -1;
  QTest::newRow("micro utf-8 svg") << 1 << 1 << "LOT 4711 批号"
                                   << "m.svg"
                                   << "m.svg" << 26;
}

void ExtrasTest::savedSymbolsReadBack() {
  QFETCH(int, symbology);
  QFETCH(int, encoding);
  QFETCH(QString, text);
  QFETCH(QString, saveAs);
  QFETCH(QString, saved);
  QFETCH(int, eci);
  TfrmMain& w = *harness->window;
  Choose(w, symbology, encoding, text);
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  QVERIFY(w.LastSymbol());
  const bool micro = symbology == 1;
  QCOMPARE(w.LastSymbol()->symbology,
           micro ? pdf417::Symbology::MicroPdf417 : pdf417::Symbology::Pdf417);

  // The display and the print page show the symbol made.
  const QString bar = harness->Path(QStringLiteral("bar.bmp"));
  QCOMPARE(Rgb(w.Image1->pixmap().toImage()), Rgb(QImage(bar)));
  Click(w.BitBtn1);
  QCOMPARE(Rgb(w.QuickRep1->QRImage4.picture), Rgb(QImage(bar)));

  harness->fileToSave = harness->Path(saveAs);
  Click(w.btnSaveAs);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  const QString file = harness->Path(saved);
  QVERIFY(QFile::exists(file));

  const std::vector<pdf417::DecodeResult> read = ReadBack(file);
  QVERIFY2(!read.empty(), "rsvg-convert failed (bash scripts/setup.sh installs it)");
  if (micro && read[0].status == pdf417::DecodeStatus::NoSymbolFound) {
    QSKIP("the decoder does not read MicroPDF417 yet");
  }
  QVERIFY2(read[0].ok(), read[0].message.c_str());
  QCOMPARE(read.size(), std::size_t{1});
  QCOMPARE(read[0].symbology, w.LastSymbol()->symbology);
  QCOMPARE(read[0].bytes, EncodeText(text, static_cast<TextEncoding>(encoding)).bytes);
  QCOMPARE(read[0].eci.empty() ? -1 : read[0].eci[0].number, eci);

  // The window's own decoding of bar.bmp gives the text back, whatever its encoding.
  Click(w.Button4);
  QCOMPARE(w.memoShow->toPlainText(), text);
}

void ExtrasTest::fitScalesToTheArea_data() {
  QTest::addColumn<QString>("data");
  QTest::addColumn<QString>("columns");
  QTest::addColumn<bool>("larger");  // the symbol is larger than the area
  QTest::newRow("small, scaled up") << "A"
                                    << "2" << false;
  QTest::newRow("large, scaled down") << QString(300, QLatin1Char('9')) << "30" << true;
}

void ExtrasTest::fitScalesToTheArea() {
  QFETCH(QString, data);
  QFETCH(QString, columns);
  QFETCH(bool, larger);
  TfrmMain& w = *harness->window;
  const QRect area(26, 15, 399, 146);
  Choose(w, 0, 0, data, columns);
  w.chkFit->setChecked(true);
  Click(w.Button2);
  const QImage own = Rgb(QImage(harness->Path(QStringLiteral("bar.bmp"))));
  QCOMPARE(own.width() > area.width() || own.height() > area.height(), larger);
  const QImage shown = Rgb(w.Image1->pixmap().toImage());
  QCOMPARE(w.Image1->geometry(), area);
  QVERIFY(shown.width() <= area.width() && shown.height() <= area.height());
  if (larger) {
    QVERIFY(shown.width() == area.width() || shown.height() == area.height());
  } else {
    // A whole factor, the largest that fits: every module as wide as every other.
    const int n = shown.width() / own.width();
    QVERIFY(n >= 2);
    QCOMPARE(shown.size(), own.size() * n);
    QVERIFY(own.width() * (n + 1) > area.width() || own.height() * (n + 1) > area.height());
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) QCOMPARE(shown.pixel(x, y), own.pixel(x / n, y / n));
  }
  // Unchecked, the symbol is shown as ever: its own size from the area's corner.
  w.chkFit->setChecked(false);
  QCOMPARE(Rgb(w.Image1->pixmap().toImage()), own);
  QCOMPARE(w.Image1->geometry(), QRect(area.topLeft(), own.size()));
}

void ExtrasTest::picturesPastedAndDropped_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<QString>("offer");  // "copy" (the window's own copy), "image", "file", "text"
  QTest::newRow("copy then paste") << "paste"
                                   << "copy";
  QTest::newRow("paste a file") << "paste"
                                << "file";
  QTest::newRow("paste text") << "paste"
                              << "text";
  QTest::newRow("drop a file on the group") << "GroupBox2"
                                            << "file";
  QTest::newRow("drop a picture on the memo") << "memo"
                                              << "image";
  QTest::newRow("drop a file on the name") << "edit"
                                           << "file";
}

void ExtrasTest::picturesPastedAndDropped() {
  QFETCH(QString, how);
  QFETCH(QString, offer);
  TfrmMain& w = *harness->window;
  const QString text = QStringLiteral("剪贴板 clipboard 123");
  Choose(w, 0, 0, text);
  Click(w.Button2);
  const QString bar = harness->Path(QStringLiteral("bar.bmp"));
  w.edtDecBarName->setText(QStringLiteral("elsewhere.bmp"));
  w.memoShow->setPlainText(QStringLiteral("kept"));

  auto mime = std::make_unique<QMimeData>();
  if (offer == QLatin1String("image")) mime->setImageData(QImage(bar));
  if (offer == QLatin1String("file")) mime->setUrls({QUrl::fromLocalFile(bar)});
  if (offer == QLatin1String("text")) mime->setText(QStringLiteral("no picture"));
  const bool decodes = offer != QLatin1String("text");

  if (how == QLatin1String("paste")) {
    if (offer == QLatin1String("copy")) {
      Click(w.btnCopy);
      const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
      QCOMPARE(Rgb(qvariant_cast<QImage>(copied->imageData())), Rgb(QImage(bar)));
      QVERIFY(copied->data(QStringLiteral("image/svg+xml")).contains("<svg"));
    } else {
      QGuiApplication::clipboard()->setMimeData(mime.release());
    }
    Click(w.btnPaste);
  } else {
    QWidget* target = how == QLatin1String("memo")   ? w.memoShow->viewport()
                      : how == QLatin1String("edit") ? static_cast<QWidget*>(w.edtDecBarName)
                                                     : static_cast<QWidget*>(w.GroupBox2);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
  }
  QTRY_COMPARE(w.memoShow->toPlainText(), decodes ? text : QStringLiteral("kept"));
  QCOMPARE(harness->messages.size(), std::size_t{decodes ? 0u : 1u});
  if (!decodes) QCOMPARE(harness->messages[0].text, QStringLiteral("剪贴板中没有图片"));
  // A file offered becomes the file to decode.
  QCOMPARE(w.edtDecBarName->text(), offer == QLatin1String("file")
                                        ? QDir::toNativeSeparators(bar)
                                        : QStringLiteral("elsewhere.bmp"));
}

void ExtrasTest::detailsListEverySymbol_data() {
  QTest::addColumn<int>("language");
  QTest::addColumn<int>("symbols");
  QTest::addColumn<bool>("details");
  QTest::addColumn<QStringList>("lines");  // below the classic text and a blank line
  const int zh = static_cast<int>(Language::Chinese);
  const int en = static_cast<int>(Language::English);
  QTest::newRow("off") << zh << 2 << false << QStringList();
  // One symbol: its text is the memo's, above.
  QTest::newRow("one") << zh << 1 << true
                       << QStringList{"条码1/1：PDF417，3行×5列，纠错等级1，纠正0个码字，擦除0个"};
  QTest::newRow("two") << zh << 2 << true
                       << QStringList{
                              "条码1/2：PDF417，3行×5列，纠错等级1，纠正0个码字，擦除0个",
                              "数据：first",
                              "条码2/2：PDF417，7行×3列，纠错等级2，纠正0个码字，擦除0个，ECI 26",
                              "数据：second 第二"};
  QTest::newRow("two, English")
      << en << 2 << true
      << QStringList{"Symbol 1 of 2: PDF417, 3 rows × 5 columns, level 1, 0 corrected, 0 erasures",
                     "Data: first",
                     "Symbol 2 of 2: PDF417, 7 rows × 3 columns, level 2, 0 corrected, 0 "
                     "erasures, ECI 26",
                     "Data: second 第二"};
}

void ExtrasTest::detailsListEverySymbol() {
  QFETCH(int, language);
  QFETCH(int, symbols);
  QFETCH(bool, details);
  QFETCH(QStringList, lines);
  TfrmMain& w = *harness->window;
  // Two symbols side by side: the classic one of "first" and a UTF-8 one under ECI 26.
  Choose(w, 0, 0, QStringLiteral("first"));
  Click(w.Button2);
  QImage picture = Rgb(QImage(harness->Path(QStringLiteral("bar.bmp"))));
  if (symbols == 2) {
    Choose(w, 0, 1, QStringLiteral("second 第二"), QStringLiteral("3"));
    w.edtLevel->setText(QStringLiteral("2"));
    w.edtMakeBarName->setText(QStringLiteral("second.bmp"));
    Click(w.Button2);
    const QImage second(harness->Path(QStringLiteral("second.bmp")));
    QImage both(picture.width() + second.width() + 40,
                std::max(picture.height(), second.height()) + 20, QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawImage(10, 10, picture);
    painter.drawImage(picture.width() + 30, 10, second);
    painter.end();
    picture = both;
  }
  const QString file = harness->Path(QStringLiteral("both.png"));
  QVERIFY(picture.save(file));
  QCOMPARE(harness->messages.size(), std::size_t{0});

  w.SetLanguage(static_cast<Language>(language));
  w.chkDetails->setChecked(details);
  w.edtDecBarName->setText(file);
  Click(w.Button4);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  // Above the details, the text of the symbol the classic decoding reads (either of the two).
  pdf417::DecodeResult classic;
  pdf417::DecodePdf417(file.toStdString(), {}, &classic);
  QString expected = DecodedText(classic.bytes, classic.eci);
  QVERIFY(expected == QStringLiteral("first") || expected == QStringLiteral("second 第二"));
  if (!lines.isEmpty()) expected += QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'));
  QCOMPARE(w.memoShow->toPlainText(), expected);
}

void ExtrasTest::symbologyKeepsItsColumns() {
  TfrmMain& w = *harness->window;
  // PDF417's 5 columns are no MicroPDF417 width: each symbology keeps its own field, and the
  // level field is out of use for MicroPDF417.
  const struct {
    int symbology;
    const char* shown;
    bool levelEnabled;
    const char* typed;
  } steps[] = {
      {1, "0", false, "2"}, {0, "5", true, "7"}, {1, "2", false, "2"}, {0, "7", true, "7"}};
  for (const auto& step : steps) {
    w.cbxSymbology->setCurrentIndex(step.symbology);
    QCOMPARE(w.edtColum->text(), QString::fromLatin1(step.shown));
    QCOMPARE(w.edtLevel->isEnabled(), step.levelEnabled);
    QCOMPARE(w.edtColum->toolTip().isEmpty(), step.levelEnabled);
    w.edtColum->setText(QString::fromLatin1(step.typed));
  }
  // A MicroPDF417 of 2 columns, as asked.
  Choose(w, 1, 0, QStringLiteral("12345"), QStringLiteral("2"));
  Click(w.Button2);
  QCOMPARE(harness->messages.size(), std::size_t{0});
  QCOMPARE(w.LastSymbol()->columns, 2);
  QCOMPARE(w.LastSymbol()->symbology, pdf417::Symbology::MicroPdf417);
}
