#include "Unit1.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <iostream>
#include <new>
#include <string>

#include "gbk.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "quick_rep.h"

namespace {

const QString kCaption = QStringLiteral("讯息");
const QString kDefaultSymbolFile = QStringLiteral("bar.bmp");
constexpr int kMaxDataBytes = 1024;

// A file name as the operating system wants it.
std::string NativeName(const QString& name) { return QFile::encodeName(name).toStdString(); }

// Appends the codec's own (English) words in brackets on a line of their own.
QString WithDetail(const QString& text, const std::string& detail) {
  if (detail.empty()) return text;
  return text + QStringLiteral("\n（") + QString::fromStdString(detail) + QStringLiteral("）");
}

QString GenerateFailure(const pdf417::Error& error, const QString& fileName) {
  switch (error.code()) {
    case pdf417::ErrorCode::InvalidArgument:
      return WithDetail(QStringLiteral("生成失败：条码容纳不下这样的参数和数据。列数须为1~30，"
                                       "纠错等级须为0~8，长宽比至少为1，一个条码最多90行、"
                                       "928个码字。"),
                        error.what());
    case pdf417::ErrorCode::FileWrite:
      return WithDetail(QStringLiteral("生成失败：无法写入文件“%1”。").arg(fileName), error.what());
    default:
      return WithDetail(QStringLiteral("生成失败。"), error.what());
  }
}

QString DecodeFailure(const pdf417::DecodeResult& result) {
  QString text;
  switch (result.status) {
    case pdf417::DecodeStatus::FileUnreadable:
      text = QStringLiteral("解码失败：无法读取该文件，或者它不是可以识别的位图文件。");
      break;
    case pdf417::DecodeStatus::NoSymbolFound:
      text = QStringLiteral("解码失败：图片中没有找到可以识别的PDF417条码。");
      break;
    case pdf417::DecodeStatus::NotCorrectable:
      text = QStringLiteral("解码失败：条码中的错误太多，超出了它的纠错能力。");
      break;
    default:
      text = QStringLiteral("解码失败。");
      break;
  }
  return WithDetail(text, result.message);
}

// Decoded text for a memo: CR LF and lone CR become line breaks.
QString MemoText(const std::string& bytes) {
  QString text = QString::fromStdString(gbk::ToUtf8(bytes));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
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
  setWindowTitle(QStringLiteral("ZamploPDF417二维条码编解码演示"));
  // "宋体" is asked for by name; where it is missing the font system picks a CJK fallback.
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(13);
  setFont(font);

  const auto named = [](QWidget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
  };
  const auto label = [&](QWidget* parentWidget, const char* name, const QString& caption, int left,
                         int top) {
    auto* l = new QLabel(caption, parentWidget);
    named(l, name);
    l->move(left, top);
    l->adjustSize();
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
  const auto button = [&](QWidget* parentWidget, const char* name, const QString& caption,
                          const QRect& geometry) {
    auto* b = new QPushButton(caption, parentWidget);
    named(b, name);
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    return b;
  };

  // Group boxes draw their caption on the top line of the frame, so that the children's
  // positions, measured from the group box's corner, clear the caption as they should.
  setStyleSheet(
      QStringLiteral("QGroupBox { border: 1px solid #a0a0a0; border-radius: 2px; margin-top: 6px; }"
                     "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                     " left: 8px; padding: 0px 2px; }"));

  GroupBox1 = new QGroupBox(QStringLiteral("编码"), this);
  named(GroupBox1, "GroupBox1");
  GroupBox1->setGeometry(5, 27, 281, 201);
  Label6 = label(GroupBox1, "Label6", QStringLiteral("数据"), 19, 16);
  memoMakeData = memo(GroupBox1, "memoMakeData", {18, 33, 255, 72});
  Label1 = label(GroupBox1, "Label1", QStringLiteral("长宽比"), 19, 117);
  edtHL = edit(GroupBox1, "edtHL", QStringLiteral("3"), {73, 114, 33, 21});
  Label2 = label(GroupBox1, "Label2", QStringLiteral("纠错等级"), 113, 118);
  edtLevel = edit(GroupBox1, "edtLevel", QStringLiteral("1"), {169, 114, 36, 21});
  Label3 = label(GroupBox1, "Label3", QStringLiteral("列数"), 208, 119);
  edtColum = edit(GroupBox1, "edtColum", QStringLiteral("5"), {238, 114, 33, 21});
  Label4 = label(GroupBox1, "Label4", QStringLiteral("生成文件"), 17, 144);
  edtMakeBarName = edit(GroupBox1, "edtMakeBarName", kDefaultSymbolFile, {72, 141, 134, 21});
  Button2 = button(GroupBox1, "Button2", QStringLiteral("生成"), {96, 168, 97, 25});

  GroupBox2 = new QGroupBox(QStringLiteral("解码"), this);
  named(GroupBox2, "GroupBox2");
  GroupBox2->setGeometry(290, 26, 282, 202);
  Label5 = label(GroupBox2, "Label5", QStringLiteral("条码文件名"), 8, 29);
  edtDecBarName = edit(GroupBox2, "edtDecBarName", kDefaultSymbolFile, {74, 26, 137, 21});
  Button5 = button(GroupBox2, "Button5", QStringLiteral("路径"), {216, 24, 49, 25});
  Label7 = label(GroupBox2, "Label7", QStringLiteral("数据"), 11, 48);
  memoShow = memo(GroupBox2, "memoShow", {11, 64, 254, 97});
  Button4 = button(GroupBox2, "Button4", QStringLiteral("解码"), {99, 168, 97, 25});

  GroupBox3 = new QGroupBox(QStringLiteral("显示"), this);
  named(GroupBox3, "GroupBox3");
  GroupBox3->setGeometry(4, 233, 569, 176);
  Image1 = new QLabel(GroupBox3);
  named(Image1, "Image1");
  Image1->setGeometry(26, 15, 399, 146);
  Image1->setAlignment(Qt::AlignCenter);
  BitBtn1 = button(GroupBox3, "BitBtn1", QStringLiteral("打印"), {459, 140, 99, 25});

  OpenDialog1 = new QFileDialog(this);
  named(OpenDialog1, "OpenDialog1");
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog1->setSizeGripEnabled(true);
  // The decoder tells PNG, JPEG and BMP apart by their content.
  OpenDialog1->setNameFilters(
      {QStringLiteral("图片 (*.png *.jpg *.jpeg *.bmp)"), QStringLiteral("所有文件 (*)")});

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
  edtMakeBarName->setFocus();

  move(253, 151);
  resize(577, 422);

  showMessage = [this](const QString& text, const QString& caption) {
    MakeMessageBox(this, text, caption)->exec();
  };
  execOpenDialog = [](QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
  };
  execPreview = [](QPrintPreviewDialog& dialog) { dialog.exec(); };

  connect(Button2, &QPushButton::clicked, this, &TfrmMain::Button2Click);
  connect(Button4, &QPushButton::clicked, this, &TfrmMain::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TfrmMain::Button5Click);
  connect(BitBtn1, &QPushButton::clicked, this, &TfrmMain::BitBtn1Click);
}

TfrmMain::~TfrmMain() = default;

QString TfrmMain::SymbolFile() const {
  return symbolFile_.isEmpty() ? kDefaultSymbolFile : symbolFile_;
}

void TfrmMain::Button2Click() { RunCommand(&TfrmMain::Generate); }
void TfrmMain::Button4Click() { RunCommand(&TfrmMain::Decode); }
void TfrmMain::Button5Click() { RunCommand(&TfrmMain::Browse); }
void TfrmMain::BitBtn1Click() { RunCommand(&TfrmMain::Print); }

void TfrmMain::Message(const QString& text) { showMessage(text, kCaption); }

void TfrmMain::RunCommand(void (TfrmMain::*command)()) {
  QString failure;
  try {
    (this->*command)();
    return;
  } catch (const std::bad_alloc&) {
    failure = QStringLiteral("内存不足，操作没有完成。");
  } catch (const std::exception& e) {
    failure = QStringLiteral("操作失败：") + QString::fromLocal8Bit(e.what());
  } catch (...) {
    failure = QStringLiteral("操作失败：发生了未知的错误。");
  }
  // Showing the failure must not throw back into the event loop.
  try {
    Message(failure);
  } catch (...) {
    std::cerr << failure.toStdString() << std::endl;
  }
}

void TfrmMain::Generate() {
  // The three numbers: only text that is not an integer is refused here; the encoder judges the
  // values.
  bool ok = false;
  const int aspectRatio = edtHL->text().toInt(&ok, 10);
  if (!ok) {
    Message(QStringLiteral("长宽比的取值范围为1~5"));
    edtHL->setFocus();
    return;
  }
  const int errorCorrectionLevel = edtLevel->text().toInt(&ok, 10);
  if (!ok) {
    Message(QStringLiteral("纠错等级的取值范围为0~7"));
    edtLevel->setFocus();
    return;
  }
  const int columns = edtColum->text().toInt(&ok, 10);
  if (!ok) {
    Message(QStringLiteral("列数的取值范围为1~30"));
    edtColum->setFocus();
    return;
  }

  const QString fileName = TrimControls(edtMakeBarName->text());
  if (fileName.isEmpty()) {
    Message(QStringLiteral("生成文件名不能为空"));
    return;
  }

  const QString text = TrimControls(memoMakeData->toPlainText());
  if (text.isEmpty()) {
    Message(QStringLiteral("数据不能为空"));
    return;
  }
  std::string data;
  try {
    data = gbk::FromUtf8(text.toStdString());
  } catch (const gbk::UnrepresentableError& e) {
    // The offending character, whole even when it takes two UTF-16 units.
    const QString rest = QString::fromStdString(text.toStdString().substr(e.offset()));
    const QString character = rest.left(!rest.isEmpty() && rest.at(0).isHighSurrogate() ? 2 : 1);
    Message(QStringLiteral("数据中含有无法用GBK编码表示的字符“%1”").arg(character));
    return;
  }
  if (data.size() > static_cast<std::size_t>(kMaxDataBytes)) {
    Message(QStringLiteral("数据长度不能超过1K"));
    return;
  }

  try {
    pdf417::EncodePdf417(reinterpret_cast<const std::uint8_t*>(data.data()),
                         static_cast<int>(data.size()), NativeName(fileName), columns,
                         errorCorrectionLevel, aspectRatio);
  } catch (const pdf417::Error& e) {
    // The encoder writes nothing when it refuses and never leaves a partial file.
    Message(GenerateFailure(e, fileName));
    return;
  }

  symbolFile_ = QFileInfo(fileName).absoluteFilePath();
  const QImage picture(symbolFile_);
  if (picture.isNull()) {
    Message(QStringLiteral("无法显示条码图片“%1”").arg(fileName));
    return;
  }
  Image1->setPixmap(QPixmap::fromImage(picture));
  Image1->resize(picture.size());
}

void TfrmMain::Decode() {
  const QString fileName = TrimControls(edtDecBarName->text());
  const QFileInfo info(fileName);
  if (fileName.isEmpty() || !info.exists() || info.isDir()) {
    Message(QStringLiteral("指定的文件不存在"));
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
    case pdf417::DecodeStatus::Decoded:
      memoShow->setPlainText(MemoText(result.bytes));
      break;
    case pdf417::DecodeStatus::FileMissing:
      break;  // already told through the notifier
    default:
      Message(DecodeFailure(result));
      break;
  }
}

void TfrmMain::Browse() {
  const QString chosen = execOpenDialog(*OpenDialog1);
  if (chosen.isEmpty()) return;
  edtDecBarName->setText(QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath()));
}

void TfrmMain::Print() {
  const QString fileName = SymbolFile();
  if (!QFileInfo(fileName).isFile()) {
    Message(QStringLiteral("找不到条码图片“%1”，请先生成条码").arg(fileName));
    return;
  }
  const QImage picture(fileName);
  if (picture.isNull()) {
    Message(QStringLiteral("无法读取条码图片“%1”").arg(fileName));
    return;
  }
  for (TQRImage* image : QuickRep1->Images()) image->picture = picture;
  QuickRep1->update();

  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setFullPage(true);
  QPrintPreviewDialog dialog(&printer, this);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* target) { QuickRep1->PaintPage(*target); });
  execPreview(dialog);
}
