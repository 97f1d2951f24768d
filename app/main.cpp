// Start-up: creates the main window and runs the event loop until it closes.
#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <iostream>

#include "Unit1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  try {
    TfrmMain frmMain;
    frmMain.show();
    return application.exec();
  } catch (const std::exception& e) {
    const QString text = QStringLiteral("程序无法启动：") + QString::fromLocal8Bit(e.what());
    std::cerr << text.toStdString() << std::endl;
    QMessageBox::critical(nullptr, QStringLiteral("ZamploPDF417二维条码编解码演示"), text);
    return 1;
  }
}
