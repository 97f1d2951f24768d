// The main window: generate a PDF417 symbol from typed text, show it, decode a symbol file and
// preview a printed page of the symbol.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

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

  // How the window talks to the person. Each defaults to a modal dialog; tests replace them so
  // that nothing blocks.
  // Shows a message with a caption and waits until it is acknowledged.
  std::function<void(const QString& text, const QString& caption)> showMessage;
  // Runs the file-open dialog; returns the chosen file, or an empty text when cancelled.
  std::function<QString(QFileDialog& dialog)> execOpenDialog;
  // Runs the print preview, from which the person may print.
  std::function<void(QPrintPreviewDialog& dialog)> execPreview;

  // The bitmap file that the display and the print page show: the file generated last, or
  // "bar.bmp" before anything was generated.
  QString SymbolFile() const;

 public slots:
  void Button2Click();   // generate
  void Button4Click();   // decode
  void Button5Click();   // browse for the file to decode
  void BitBtn1Click();   // print preview

 private:
  void Generate();
  void Decode();
  void Browse();
  void Print();
  // Runs a command; whatever it throws is shown to the person and the window goes on.
  void RunCommand(void (TfrmMain::*command)());
  void Message(const QString& text);

  QString symbolFile_;
};

// The message box the window shows by default: modal, the given caption, the warning icon and
// one OK button.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                            const QString& caption);

// The text with leading and trailing characters of codes 0 to 32 removed.
QString TrimControls(const QString& text);
