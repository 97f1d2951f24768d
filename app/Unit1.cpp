#include "Unit1.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
#include <QPageSize>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <iostream>
#include <new>
#include <string>

#include "pdf417/common/error.h"
#include "pdf417/common/file_writer.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "quick_rep.h"
#include "symbol_io.h"

namespace {

const QString kDefaultSymbolFile = QStringLiteral("bar.bmp");
constexpr int kMaxDataBytes = 1024;
constexpr int kMaxMicroColumns = 4;
// Where the display shows the symbol, within its group.
const QRect kImageArea(26, 15, 399, 146);

// A file name as the operating system wants it.
std::string NativeName(const QString& name) { return QFile::encodeName(name).toStdString(); }

// Appends the codec's own (English) words in brackets on a line of their own.
QString WithDetail(const QString& text, const std::string& detail, Language language) {
  if (detail.empty()) return text;
  return text + QLatin1Char('\n') + Tr(Text::Detail, language).arg(QString::fromStdString(detail));
}

// `refused` is the text for parameters or data that no symbol holds.
QString GenerateFailure(const pdf417::Error& error, const QString& fileName, Text refused,
                        Language language) {
  switch (error.code()) {
    case pdf417::ErrorCode::InvalidArgument:
      return WithDetail(Tr(refused, language), error.what(), language);
    case pdf417::ErrorCode::FileWrite:
      return WithDetail(Tr(Text::CannotWrite, language).arg(fileName), error.what(), language);
    default:
      return WithDetail(Tr(Text::GenerateFailed, language), error.what(), language);
  }
}

QString DecodeFailure(const pdf417::DecodeResult& result, Language language) {
  Text text = Text::DecodeFailed;
  switch (result.status) {
    case pdf417::DecodeStatus::FileUnreadable:
      text = Text::DecodeUnreadable;
      break;
    case pdf417::DecodeStatus::NoSymbolFound:
      text = Text::DecodeNoSymbol;
      break;
    case pdf417::DecodeStatus::NotCorrectable:
      text = Text::DecodeNotCorrectable;
      break;
    default:
      break;
  }
  return WithDetail(Tr(text, language), result.message, language);
}

QString SymbologyName(pdf417::Symbology symbology, Language language) {
  switch (symbology) {
    case pdf417::Symbology::CompactPdf417:
      return Tr(Text::SymbologyCompact, language);
    case pdf417::Symbology::MicroPdf417:
      return QStringLiteral("MicroPDF417");
    case pdf417::Symbology::Pdf417:
      break;
  }
  return QStringLiteral("PDF417");
}

// One line for each symbol read and, when there are several, a line with each one's text (the
// memo shows the text of one of them above).
QString Details(const std::vector<pdf417::DecodeResult>& symbols, Language language) {
  const auto tr = [language](Text text) { return Tr(text, language); };
  QStringList lines;
  const int count = static_cast<int>(symbols.size());
  for (int i = 0; i < count; ++i) {
    const pdf417::DecodeResult& s = symbols[static_cast<std::size_t>(i)];
    QStringList items{tr(Text::DetailsSymbol)
                          .arg(i + 1)
                          .arg(count)
                          .arg(SymbologyName(s.symbology, language))
                          .arg(s.rows)
                          .arg(s.columns)};
    if (s.level >= 0) items << tr(Text::DetailsLevel).arg(s.level);
    items << tr(Text::DetailsCorrected).arg(s.corrected)
          << tr(Text::DetailsErasures).arg(s.erasures);
    for (const pdf417::EciDesignator& eci : s.eci) items << tr(Text::DetailsEci).arg(eci.number);
    if (s.macro.present) {
      items << tr(Text::DetailsMacro)
                   .arg(s.macro.segmentIndex + 1)
                   .arg(s.macro.segmentCount > 0 ? QString::number(s.macro.segmentCount)
                                                 : QStringLiteral("?"));
    }
    lines << items.join(tr(Text::DetailsSeparator));
    if (count > 1) lines << tr(Text::DetailsText).arg(DecodedText(s.bytes, s.eci));
  }
  return lines.join(QLatin1Char('\n'));
}

// The picture scaled to the area: by a whole factor when it fits at least once, so that every
// module stays as wide as every other; smoothly down when it is larger than the area.
QImage FitTo(const QImage& picture, const QSize& area) {
  if (picture.isNull()) return picture;
  const double factor = std::min(static_cast<double>(area.width()) / picture.width(),
                                 static_cast<double>(area.height()) / picture.height());
  if (factor >= 1) {
    const int n = static_cast<int>(factor);
    return picture.scaled(picture.width() * n, picture.height() * n, Qt::IgnoreAspectRatio,
                          Qt::FastTransformation);
  }
  return picture.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The extension a save dialog's filter names ("PNG (*.png)" gives "png"); "png" without one.
QString SuffixOfFilter(const QString& filter) {
  const QRegularExpressionMatch match =
      QRegularExpression(QStringLiteral("\\*\\.([A-Za-z0-9]+)")).match(filter);
  return match.hasMatch() ? match.captured(1) : QStringLiteral("png");
}

}  // namespace

QString TrimControls(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text.at(first).unicode() <= 32) ++first;
  while (last > first && text.at(last - 1).unicode() <= 32) --last;
  return text.mid(first, last - first);
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                            const QString& caption) {
  auto box =
      std::make_unique<QMessageBox>(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
  box->setWindowModality(Qt::ApplicationModal);
  return box;
}

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmMain"));
  // "宋体" is asked for by name; where it is missing the font system picks a CJK fallback.
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(13);
  setFont(font);

  const auto named = [](QWidget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
  };
  // Captions are set by Retranslate, which also sizes the labels to them.
  const auto label = [&](QWidget* parentWidget, const char* name, int left, int top) {
    auto* l = new QLabel(parentWidget);
    named(l, name);
    l->move(left, top);
    return l;
  };
  const auto edit = [&](QWidget* parentWidget, const char* name, const QString& text,
                        const QRect& geometry) {
    auto* e = new QLineEdit(text, parentWidget);
    named(e, name);
    e->setGeometry(geometry);
    return e;
  };
  const auto memo = [&](QWidget* parentWidget, const char* name, const QRect& geometry) {
    auto* m = new QPlainTextEdit(parentWidget);
    named(m, name);
    m->setGeometry(geometry);
    m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m->setTabChangesFocus(true);
    return m;
  };
  const auto button = [&](QWidget* parentWidget, const char* name, const QRect& geometry) {
    auto* b = new QPushButton(parentWidget);
    named(b, name);
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
  };
  const auto checkBox = [&](QWidget* parentWidget, const char* name, int left, int top) {
    auto* c = new QCheckBox(parentWidget);
    named(c, name);
    c->move(left, top);
    return c;
  };

  // Group boxes draw their caption on the top line of the frame, so that the children's
  // positions, measured from the group box's corner, clear the caption as they should.
  setStyleSheet(
      QStringLiteral("QGroupBox { border: 1px solid #a0a0a0; border-radius: 2px; margin-top: 6px; }"
                     "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                     " left: 8px; padding: 0px 2px; }"));

  GroupBox1 = new QGroupBox(this);
  named(GroupBox1, "GroupBox1");
  GroupBox1->setGeometry(5, 27, 281, 201);
  Label6 = label(GroupBox1, "Label6", 19, 16);
  memoMakeData = memo(GroupBox1, "memoMakeData", {18, 33, 255, 72});
  Label1 = label(GroupBox1, "Label1", 19, 117);
  edtHL = edit(GroupBox1, "edtHL", QStringLiteral("3"), {73, 114, 33, 21});
  Label2 = label(GroupBox1, "Label2", 113, 118);
  edtLevel = edit(GroupBox1, "edtLevel", QStringLiteral("1"), {169, 114, 36, 21});
  Label3 = label(GroupBox1, "Label3", 208, 119);
  edtColum = edit(GroupBox1, "edtColum", QStringLiteral("5"), {238, 114, 33, 21});
  Label4 = label(GroupBox1, "Label4", 17, 144);
  edtMakeBarName = edit(GroupBox1, "edtMakeBarName", kDefaultSymbolFile, {72, 141, 134, 21});
  Button2 = button(GroupBox1, "Button2", {96, 168, 97, 25});

  GroupBox2 = new QGroupBox(this);
  named(GroupBox2, "GroupBox2");
  GroupBox2->setGeometry(290, 26, 282, 202);
  Label5 = label(GroupBox2, "Label5", 8, 29);
  edtDecBarName = edit(GroupBox2, "edtDecBarName", kDefaultSymbolFile, {74, 26, 137, 21});
  Button5 = button(GroupBox2, "Button5", {216, 24, 49, 25});
  Label7 = label(GroupBox2, "Label7", 11, 48);
  memoShow = memo(GroupBox2, "memoShow", {11, 64, 254, 97});
  Button4 = button(GroupBox2, "Button4", {99, 168, 97, 25});
  // Right of the memo's label (moved to end at the memo's right edge once it has its caption),
  // and right of the decode button.
  chkDetails = checkBox(GroupBox2, "chkDetails", 180, 45);
  btnPaste = button(GroupBox2, "btnPaste", {206, 168, 59, 25});

  GroupBox3 = new QGroupBox(this);
  named(GroupBox3, "GroupBox3");
  GroupBox3->setGeometry(4, 233, 569, 176);
  Image1 = new QLabel(GroupBox3);
  named(Image1, "Image1");
  Image1->setGeometry(kImageArea);
  Image1->setAlignment(Qt::AlignCenter);
  // The column above the print button, right of the symbol's area.
  chkFit = checkBox(GroupBox3, "chkFit", 459, 16);
  btnSaveAs = button(GroupBox3, "btnSaveAs", {459, 44, 99, 25});
  btnCopy = button(GroupBox3, "btnCopy", {459, 74, 99, 25});
  BitBtn1 = button(GroupBox3, "BitBtn1", {459, 140, 99, 25});

  // The strip above the groups.
  pnlOptions = new QWidget(this);
  named(pnlOptions, "pnlOptions");
  pnlOptions->setGeometry(5, 2, 567, 22);
  auto* strip = new QHBoxLayout(pnlOptions);
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(4);
  const auto combo = [&](const char* name, int width) {
    auto* c = new QComboBox(pnlOptions);
    named(c, name);
    c->setFixedHeight(21);
    c->setMinimumWidth(width);
    return c;
  };
  lblSymbology = label(pnlOptions, "lblSymbology", 0, 0);
  cbxSymbology = combo("cbxSymbology", 96);
  cbxSymbology->addItems({QStringLiteral("PDF417"), QStringLiteral("MicroPDF417")});
  lblEncoding = label(pnlOptions, "lblEncoding", 0, 0);
  cbxEncoding = combo("cbxEncoding", 118);
  cbxEncoding->addItems({QString(), QString(), QString()});  // texts by Retranslate
  lblLanguage = label(pnlOptions, "lblLanguage", 0, 0);
  cbxLanguage = combo("cbxLanguage", 76);
  // Each language named in itself.
  cbxLanguage->addItems({QStringLiteral("中文"), QStringLiteral("English")});
  strip->addWidget(lblSymbology);
  strip->addWidget(cbxSymbology);
  strip->addSpacing(12);
  strip->addWidget(lblEncoding);
  strip->addWidget(cbxEncoding);
  strip->addStretch(1);
  strip->addWidget(lblLanguage);
  strip->addWidget(cbxLanguage);

  OpenDialog1 = new QFileDialog(this);
  named(OpenDialog1, "OpenDialog1");
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog1->setSizeGripEnabled(true);

  SaveDialog1 = new QFileDialog(this);
  named(SaveDialog1, "SaveDialog1");
  SaveDialog1->setFileMode(QFileDialog::AnyFile);
  SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
  SaveDialog1->setDefaultSuffix(QStringLiteral("png"));
  SaveDialog1->selectFile(QStringLiteral("bar.png"));
  connect(SaveDialog1, &QFileDialog::filterSelected, this,
          [this](const QString& filter) { SaveDialog1->setDefaultSuffix(SuffixOfFilter(filter)); });

  // The print page lies below the client area; it is seen only through the print preview.
  QuickRep1 = new TQuickRep(this);
  QuickRep1->setGeometry(8, 1000, 794, 1123);

  QWidget::setTabOrder(edtMakeBarName, edtHL);
  QWidget::setTabOrder(edtHL, edtLevel);
  QWidget::setTabOrder(edtLevel, edtColum);
  QWidget::setTabOrder(edtColum, Button2);
  QWidget::setTabOrder(Button2, memoMakeData);
  QWidget::setTabOrder(memoMakeData, Button4);
  QWidget::setTabOrder(Button4, edtDecBarName);
  QWidget::setTabOrder(edtDecBarName, Button5);
  QWidget::setTabOrder(Button5, memoShow);
  QWidget::setTabOrder(memoShow, BitBtn1);
  QWidget::setTabOrder(BitBtn1, chkFit);
  QWidget::setTabOrder(chkFit, btnSaveAs);
  QWidget::setTabOrder(btnSaveAs, btnCopy);
  QWidget::setTabOrder(btnCopy, chkDetails);
  QWidget::setTabOrder(chkDetails, btnPaste);
  QWidget::setTabOrder(btnPaste, cbxSymbology);
  QWidget::setTabOrder(cbxSymbology, cbxEncoding);
  QWidget::setTabOrder(cbxEncoding, cbxLanguage);
  edtMakeBarName->setFocus();

  // Picture files dropped anywhere on the decoding group, its edit and its memo included.
  GroupBox2->setAcceptDrops(true);
  for (QObject* target : {static_cast<QObject*>(GroupBox2), static_cast<QObject*>(edtDecBarName),
                          static_cast<QObject*>(memoShow->viewport())}) {
    target->installEventFilter(this);
  }

  move(253, 151);
  resize(577, 422);
  Retranslate();

  showMessage = [this](const QString& text, const QString& caption) {
    MakeMessageBox(this, text, caption)->exec();
  };
  const auto runFileDialog = [](QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
  };
  execOpenDialog = runFileDialog;
  execSaveDialog = runFileDialog;
  execPreview = [](QPrintPreviewDialog& dialog) { dialog.exec(); };

  connect(Button2, &QPushButton::clicked, this, &TfrmMain::Button2Click);
  connect(Button4, &QPushButton::clicked, this, &TfrmMain::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TfrmMain::Button5Click);
  connect(BitBtn1, &QPushButton::clicked, this, &TfrmMain::BitBtn1Click);
  connect(btnSaveAs, &QPushButton::clicked, this, &TfrmMain::btnSaveAsClick);
  connect(btnCopy, &QPushButton::clicked, this, &TfrmMain::btnCopyClick);
  connect(btnPaste, &QPushButton::clicked, this, &TfrmMain::btnPasteClick);
  connect(chkFit, &QCheckBox::toggled, this, [this] { ShowPicture(picture_); });
  connect(cbxSymbology, &QComboBox::currentIndexChanged, this, [this] { SymbologyChanged(); });
  connect(cbxLanguage, &QComboBox::currentIndexChanged, this,
          [this](int index) { SetLanguage(static_cast<Language>(index)); });
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::SetLanguage(Language language) {
  language_ = language;
  const QSignalBlocker blocker(cbxLanguage);
  cbxLanguage->setCurrentIndex(static_cast<int>(language));
  Retranslate();
}

pdf417::Symbology TfrmMain::CurrentSymbology() const {
  return cbxSymbology->currentIndex() == 1 ? pdf417::Symbology::MicroPdf417
                                           : pdf417::Symbology::Pdf417;
}

TextEncoding TfrmMain::CurrentEncoding() const {
  return static_cast<TextEncoding>(std::max(0, cbxEncoding->currentIndex()));
}

void TfrmMain::Retranslate() {
  setWindowTitle(T(Text::WindowTitle));
  const auto setLabel = [](QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
  };
  GroupBox1->setTitle(T(Text::GroupEncode));
  setLabel(Label6, T(Text::LabelData));
  setLabel(Label1, T(Text::LabelAspect));
  setLabel(Label2, T(Text::LabelLevel));
  setLabel(Label3, T(Text::LabelColumns));
  setLabel(Label4, T(Text::LabelOutputFile));
  Button2->setText(T(Text::ButtonGenerate));
  GroupBox2->setTitle(T(Text::GroupDecode));
  setLabel(Label5, T(Text::LabelDecodeFile));
  Button5->setText(T(Text::ButtonBrowse));
  setLabel(Label7, T(Text::LabelData));
  Button4->setText(T(Text::ButtonDecode));
  GroupBox3->setTitle(T(Text::GroupDisplay));
  BitBtn1->setText(T(Text::ButtonPrint));

  setLabel(lblSymbology, T(Text::LabelSymbology));
  setLabel(lblEncoding, T(Text::LabelEncoding));
  setLabel(lblLanguage, T(Text::LabelLanguage));
  const Text encodings[] = {Text::EncodingGbk, Text::EncodingUtf8Eci, Text::EncodingGbkEci};
  for (int i = 0; i < 3; ++i) cbxEncoding->setItemText(i, T(encodings[i]));
  chkDetails->setText(T(Text::CheckDetails));
  chkDetails->adjustSize();
  chkDetails->move(memoShow->geometry().right() + 1 - chkDetails->width(), chkDetails->y());
  btnPaste->setText(T(Text::ButtonPaste));
  chkFit->setText(T(Text::CheckFit));
  chkFit->adjustSize();
  btnSaveAs->setText(T(Text::ButtonSaveAs));
  btnCopy->setText(T(Text::ButtonCopy));
  GroupBox2->setToolTip(T(Text::TipDrop));
  const bool micro = CurrentSymbology() == pdf417::Symbology::MicroPdf417;
  edtColum->setToolTip(micro ? T(Text::TipColumnsMicro) : QString());
  edtLevel->setToolTip(micro ? T(Text::TipLevelMicro) : QString());

  OpenDialog1->setWindowTitle(T(Text::OpenTitle));
  // The decoder tells PNG, JPEG and BMP apart by their content.
  OpenDialog1->setNameFilters({T(Text::FilterPictures), T(Text::FilterAll)});
  SaveDialog1->setWindowTitle(T(Text::SaveTitle));
  SaveDialog1->setNameFilters({T(Text::FilterPng), T(Text::FilterSvg), T(Text::FilterBmp)});
  QuickRep1->QRLabel1.text = T(Text::PageTitle);
  QuickRep1->update();
}

void TfrmMain::SymbologyChanged() {
  // Each symbology keeps its own columns: PDF417's default 5 is no MicroPDF417 width.
  const QString shown = edtColum->text();
  edtColum->setText(otherColumns_);
  otherColumns_ = shown;
  edtLevel->setEnabled(CurrentSymbology() != pdf417::Symbology::MicroPdf417);
  Retranslate();
}

QString TfrmMain::SymbolFile() const {
  return symbolFile_.isEmpty() ? kDefaultSymbolFile : symbolFile_;
}

void TfrmMain::Button2Click() {
  RunCommand([this] { Generate(); });
}
void TfrmMain::Button4Click() {
  RunCommand([this] { Decode(); });
}
void TfrmMain::Button5Click() {
  RunCommand([this] { Browse(); });
}
void TfrmMain::BitBtn1Click() {
  RunCommand([this] { Print(); });
}
void TfrmMain::btnSaveAsClick() {
  RunCommand([this] { SaveAs(); });
}
void TfrmMain::btnCopyClick() {
  RunCommand([this] { Copy(); });
}
void TfrmMain::btnPasteClick() {
  RunCommand([this] { Paste(); });
}

void TfrmMain::Message(const QString& text) { showMessage(text, T(Text::Caption)); }

void TfrmMain::RunCommand(const std::function<void()>& command) {
  QString failure;
  try {
    command();
    return;
  } catch (const std::bad_alloc&) {
    failure = T(Text::OutOfMemory);
  } catch (const std::exception& e) {
    failure = T(Text::CommandFailed).arg(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    failure = T(Text::UnknownFailure);
  }
  // Showing the failure must not throw back into the event loop.
  try {
    Message(failure);
  } catch (...) {
    std::cerr << failure.toStdString() << std::endl;
  }
}

void TfrmMain::Generate() {
  const bool micro = CurrentSymbology() == pdf417::Symbology::MicroPdf417;
  // The three numbers: only text that is not an integer is refused here; the encoder judges the
  // values. MicroPDF417 has no level (its size fixes the error correction) and 0 to 4 columns.
  bool ok = false;
  const int aspectRatio = edtHL->text().toInt(&ok, 10);
  if (!ok) {
    Message(T(Text::AspectRange));
    edtHL->setFocus();
    return;
  }
  int errorCorrectionLevel = -1;
  if (!micro) {
    errorCorrectionLevel = edtLevel->text().toInt(&ok, 10);
    if (!ok) {
      Message(T(Text::LevelRange));
      edtLevel->setFocus();
      return;
    }
  }
  const int columns = edtColum->text().toInt(&ok, 10);
  if (!ok || (micro && (columns < 0 || columns > kMaxMicroColumns))) {
    Message(T(micro ? Text::MicroColumnsRange : Text::ColumnsRange));
    edtColum->setFocus();
    return;
  }

  const QString fileName = TrimControls(edtMakeBarName->text());
  if (fileName.isEmpty()) {
    Message(T(Text::NameEmpty));
    return;
  }

  const QString text = TrimControls(memoMakeData->toPlainText());
  if (text.isEmpty()) {
    Message(T(Text::DataEmpty));
    return;
  }
  const TextEncoding encoding = CurrentEncoding();
  const EncodedText encoded = EncodeText(text, encoding);
  if (!encoded.unencodable.isEmpty()) {
    Message(encoding == TextEncoding::ClassicGbk
                ? T(Text::NotGbk).arg(encoded.unencodable)
                : T(Text::NotInCharset).arg(encoded.unencodable, encoded.charsetName));
    return;
  }
  const std::string& data = encoded.bytes;
  if (data.size() > static_cast<std::size_t>(kMaxDataBytes)) {
    Message(T(Text::DataTooLong));
    return;
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());

  if (!micro && encoding == TextEncoding::ClassicGbk) {
    try {
      pdf417::EncodePdf417(bytes, static_cast<int>(data.size()), NativeName(fileName), columns,
                           errorCorrectionLevel, aspectRatio);
    } catch (const pdf417::Error& e) {
      // The encoder writes nothing when it refuses and never leaves a partial file.
      Message(GenerateFailure(e, fileName, Text::RefusedClassic, language_));
      return;
    }
    // The same codewords (byte compaction, the same columns and level) as a symbol for saving
    // and copying, at the nearest row height the renderers draw.
    pdf417::SymbolOptions options;
    options.compaction = pdf417::Compaction::Byte;
    options.columns = columns;
    options.level = errorCorrectionLevel;
    options.drawing = WindowDrawing(std::clamp(aspectRatio, 2, 20));
    if (aspectRatio == 1) options.drawing.quietZone = 0;
    try {
      symbol_ = pdf417::Encode(bytes, data.size(), options);
    } catch (const pdf417::Error&) {
      symbol_.reset();
    }
  } else {
    pdf417::SymbolOptions options;
    options.symbology = CurrentSymbology();
    options.columns = columns;
    options.level = errorCorrectionLevel;
    options.eci = encoded.eci;
    options.drawing = WindowDrawing(aspectRatio);
    try {
      // 0 columns and level -1 choose them, which only MicroPDF417's columns may.
      if (!micro && columns < pdf417::kMinColumns) {
        throw pdf417::Error(pdf417::ErrorCode::InvalidArgument, "the columns must be 1 to 30");
      }
      if (!micro && errorCorrectionLevel < pdf417::kMinLevel) {
        throw pdf417::Error(pdf417::ErrorCode::InvalidArgument, "the level must be 0 to 8");
      }
      pdf417::Symbol symbol = pdf417::Encode(bytes, data.size(), options);
      const std::vector<std::uint8_t> bitmap = pdf417::RenderBmp(symbol);
      pdf417::WriteWholeFile(NativeName(fileName), bitmap.data(), bitmap.size());
      symbol_ = std::move(symbol);
    } catch (const pdf417::Error& e) {
      Message(GenerateFailure(e, fileName, Text::RefusedSymbol, language_));
      return;
    }
  }

  symbolFile_ = QFileInfo(fileName).absoluteFilePath();
  const QImage picture(symbolFile_);
  if (picture.isNull()) {
    Message(T(Text::CannotShow).arg(fileName));
    return;
  }
  ShowPicture(picture);
}

void TfrmMain::ShowPicture(const QImage& picture) {
  picture_ = picture;
  if (picture.isNull()) return;
  if (chkFit->isChecked()) {
    Image1->setGeometry(kImageArea);
    Image1->setPixmap(QPixmap::fromImage(FitTo(picture, kImageArea.size())));
  } else {
    // At its own size, from the area's corner.
    Image1->setPixmap(QPixmap::fromImage(picture));
    Image1->setGeometry(QRect(kImageArea.topLeft(), picture.size()));
  }
}

void TfrmMain::Decode() {
  const QString fileName = TrimControls(edtDecBarName->text());
  const QFileInfo info(fileName);
  if (fileName.isEmpty() || !info.exists() || info.isDir()) {
    Message(T(Text::FileNotFound));
    edtDecBarName->setFocus();
    return;
  }

  // Should the file vanish after the test above, the decoder says so itself.
  const pdf417::DecodeNotifier notify = [this](const std::string& text,
                                               const std::string& caption) {
    showMessage(QString::fromStdString(text), QString::fromStdString(caption));
  };
  pdf417::DecodeResult result;
  pdf417::DecodePdf417(NativeName(fileName), notify, &result);
  switch (result.status) {
    case pdf417::DecodeStatus::Decoded: {
      // The details of every symbol in the picture, not only the first.
      std::vector<pdf417::DecodeResult> all;
      if (chkDetails->isChecked()) all = pdf417::Decode(NativeName(fileName));
      if (all.empty() || !all.front().ok()) all = {result};
      ShowDecoded(result, all);
      break;
    }
    case pdf417::DecodeStatus::FileMissing:
      break;  // already told through the notifier
    default:
      Message(DecodeFailure(result, language_));
      break;
  }
}

void TfrmMain::ShowDecoded(const pdf417::DecodeResult& first,
                           const std::vector<pdf417::DecodeResult>& all) {
  QString text = DecodedText(first.bytes, first.eci);
  if (chkDetails->isChecked()) text += QStringLiteral("\n\n") + Details(all, language_);
  memoShow->setPlainText(text);
}

void TfrmMain::DecodeOffered(const OfferedPicture& offered, Text nothingOffered) {
  if (offered.empty()) {
    Message(T(nothingOffered));
    return;
  }
  if (!offered.file.isEmpty()) {
    edtDecBarName->setText(QDir::toNativeSeparators(offered.file));
    Decode();
    return;
  }
  const std::vector<pdf417::DecodeResult> all = DecodeImage(offered.image);
  if (!all.front().ok()) {
    Message(DecodeFailure(all.front(), language_));
    return;
  }
  ShowDecoded(all.front(), all);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (PictureOffered(drag->mimeData()).empty()) break;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (PictureOffered(drop->mimeData()).empty()) break;
      drop->acceptProposedAction();
      // Decoded once the drop is over, so that a message box does not open inside it.
      QTimer::singleShot(0, this, [this, offered = PictureOffered(drop->mimeData())] {
        RunCommand([this, &offered] { DecodeOffered(offered, Text::ClipboardEmpty); });
      });
      return true;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmMain::Browse() {
  const QString chosen = execOpenDialog(*OpenDialog1);
  if (chosen.isEmpty()) return;
  edtDecBarName->setText(QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath()));
}

void TfrmMain::Print() {
  const QString fileName = SymbolFile();
  if (!QFileInfo(fileName).isFile()) {
    Message(T(Text::PrintNoFile).arg(fileName));
    return;
  }
  const QImage picture(fileName);
  if (picture.isNull()) {
    Message(T(Text::PrintUnreadable).arg(fileName));
    return;
  }
  for (TQRImage* image : QuickRep1->Images()) image->picture = picture;
  QuickRep1->update();

  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setFullPage(true);
  QPrintPreviewDialog dialog(&printer, this);
  dialog.setWindowTitle(T(Text::PreviewTitle));
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* target) { QuickRep1->PaintPage(*target); });
  execPreview(dialog);
}

void TfrmMain::SaveAs() {
  if (!symbol_) {
    Message(T(Text::NothingMade));
    return;
  }
  QString fileName = execSaveDialog(*SaveDialog1);
  if (fileName.isEmpty()) return;
  if (QFileInfo(fileName).suffix().isEmpty()) {
    fileName += QLatin1Char('.') + SuffixOfFilter(SaveDialog1->selectedNameFilter());
  }
  try {
    SaveSymbol(*symbol_, fileName);
  } catch (const pdf417::Error& e) {
    Message(WithDetail(T(Text::CannotSave).arg(fileName), e.what(), language_));
  }
}

void TfrmMain::Copy() {
  if (picture_.isNull()) {
    Message(T(Text::NothingMade));
    return;
  }
  // The picture as shown at its own size, and the drawing for programs that take SVG.
  auto mime = std::make_unique<QMimeData>();
  mime->setImageData(picture_);
  if (symbol_) {
    mime->setData(QStringLiteral("image/svg+xml"),
                  QByteArray::fromStdString(pdf417::RenderSvg(*symbol_)));
  }
  QGuiApplication::clipboard()->setMimeData(mime.release());
}

void TfrmMain::Paste() {
  DecodeOffered(PictureOffered(QGuiApplication::clipboard()->mimeData()), Text::ClipboardEmpty);
}
