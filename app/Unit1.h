// The main window: generate a PDF417 symbol from typed text, show it, decode a symbol file and
// preview a printed page of the symbol.
//
// Beside the classic controls: a strip above the groups chooses the symbology (PDF417 or
// MicroPDF417), how the text becomes bytes (classic GBK, or an ECI) and the language; the display
// group scales the symbol to its area, saves it as PNG, SVG or BMP and copies it; the decoding
// group pastes a picture, takes a dropped one, and lists the details of every symbol read.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "charsets.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/symbol.h"
#include "symbol_io.h"
#include "texts.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPlainTextEdit;
class QPrintPreviewDialog;
class QPushButton;
class TQuickRep;

class TfrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Encoding group.
  QGroupBox* GroupBox1;
  QLabel* Label6;
  QPlainTextEdit* memoMakeData;
  QLabel* Label1;
  QLineEdit* edtHL;
  QLabel* Label2;
  QLineEdit* edtLevel;
  QLabel* Label3;
  QLineEdit* edtColum;
  QLabel* Label4;
  QLineEdit* edtMakeBarName;
  QPushButton* Button2;
  // Decoding group.
  QGroupBox* GroupBox2;
  QLabel* Label5;
  QLineEdit* edtDecBarName;
  QPushButton* Button5;
  QLabel* Label7;
  QPlainTextEdit* memoShow;
  QPushButton* Button4;
  // Display group.
  QGroupBox* GroupBox3;
  QLabel* Image1;
  QPushButton* BitBtn1;
  // Not visible in the window.
  QFileDialog* OpenDialog1;
  TQuickRep* QuickRep1;

  // The choices above the groups.
  QWidget* pnlOptions;
  QLabel* lblSymbology;
  QComboBox* cbxSymbology;  // PDF417, MicroPDF417
  QLabel* lblEncoding;
  QComboBox* cbxEncoding;  // in the order of TextEncoding
  QLabel* lblLanguage;
  QComboBox* cbxLanguage;  // in the order of Language
  // Decoding group.
  QCheckBox* chkDetails;
  QPushButton* btnPaste;
  // Display group.
  QCheckBox* chkFit;
  QPushButton* btnSaveAs;
  QPushButton* btnCopy;
  QFileDialog* SaveDialog1;

  // How the window talks to the person. Each defaults to a modal dialog; tests replace them so
  // that nothing blocks.
  // Shows a message with a caption and waits until it is acknowledged.
  std::function<void(const QString& text, const QString& caption)> showMessage;
  // Runs the file-open dialog; returns the chosen file, or an empty text when cancelled.
  std::function<QString(QFileDialog& dialog)> execOpenDialog;
  // Runs the print preview, from which the person may print.
  std::function<void(QPrintPreviewDialog& dialog)> execPreview;
  // Runs the save dialog; returns the file chosen, or an empty text when cancelled.
  std::function<QString(QFileDialog& dialog)> execSaveDialog;

  // Every text of the window, its dialogs and its print page in the language; the language
  // box follows.
  void SetLanguage(Language language);
  Language CurrentLanguage() const { return language_; }
  pdf417::Symbology CurrentSymbology() const;
  TextEncoding CurrentEncoding() const;

  // The symbol generated last, drawn as the window draws it; none before the first.
  const std::optional<pdf417::Symbol>& LastSymbol() const { return symbol_; }

  // The bitmap file that the display and the print page show: the file generated last, or
  // "bar.bmp" before anything was generated.
  QString SymbolFile() const;

 public slots:
  void Button2Click();    // generate
  void Button4Click();    // decode
  void Button5Click();    // browse for the file to decode
  void BitBtn1Click();    // print preview
  void btnSaveAsClick();  // save the symbol as PNG, SVG or BMP
  void btnCopyClick();    // copy the symbol to the clipboard
  void btnPasteClick();   // decode the picture on the clipboard

 protected:
  // Picture files dropped onto the decoding group are decoded.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Generate();
  void Decode();
  void Browse();
  void Print();
  void SaveAs();
  void Copy();
  void Paste();
  void DecodeOffered(const OfferedPicture& offered, Text nothingOffered);
  // The memo: the first symbol's text and, with details asked for, every symbol's details.
  void ShowDecoded(const pdf417::DecodeResult& first, const std::vector<pdf417::DecodeResult>& all);
  void ShowPicture(const QImage& picture);
  void SymbologyChanged();
  void Retranslate();
  QString T(Text text) const { return Tr(text, language_); }
  // Runs a command; whatever it throws is shown to the person and the window goes on.
  void RunCommand(const std::function<void()>& command);
  void Message(const QString& text);

  QString symbolFile_;
  Language language_ = Language::Chinese;
  std::optional<pdf417::Symbol> symbol_;
  QImage picture_;  // what the display shows, at its own size
  // The columns field of the symbology not chosen, kept for when it is chosen again.
  QString otherColumns_ = QStringLiteral("0");
};

// The message box the window shows by default: modal, the given caption, the warning icon and
// one OK button.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                            const QString& caption);

// The text with leading and trailing characters of codes 0 to 32 removed.
QString TrimControls(const QString& text);
