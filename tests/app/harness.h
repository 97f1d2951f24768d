// The main window in a fresh current folder, with message boxes, the file dialogs and the print
// preview replaced by recorders so that nothing blocks.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPrintPreviewDialog>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "Unit1.h"

namespace {

struct Shown {
  QString text;
  QString caption;
};

// One window in a fresh current folder, with its dialogs recorded.
struct Harness {
  QTemporaryDir dir;
  QString previousDir = QDir::currentPath();
  std::unique_ptr<TfrmMain> window;
  std::vector<Shown> messages;
  QString fileToChoose;
  QString fileToSave;  // what the save dialog returns; empty: cancelled
  int previews = 0;
  std::function<void(QPrintPreviewDialog&)> onPreview;

  Harness() {
    QDir::setCurrent(dir.path());
    window = std::make_unique<TfrmMain>();
    window->showMessage = [this](const QString& text, const QString& caption) {
      messages.push_back({text, caption});
    };
    window->execOpenDialog = [this](QFileDialog&) { return fileToChoose; };
    window->execSaveDialog = [this](QFileDialog&) { return fileToSave; };
    window->execPreview = [this](QPrintPreviewDialog& dialog) {
      ++previews;
      if (onPreview) onPreview(dialog);
    };
    window->show();
  }
  ~Harness() {
    window.reset();
    QDir::setCurrent(previousDir);
  }
  QString Path(const QString& name) const { return dir.filePath(name); }
};

inline QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void Click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

}  // namespace
