// The suites of test_app; main.cpp runs the one named on the command line, or all.
#pragma once

#include <QObject>

class WindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void defaultFieldsGenerateAndShowSymbol();
  void invalidFieldsInOrder_data();
  void invalidFieldsInOrder();
  void dataLimitCountsGbkBytes();
  void characterOutsideGbkIsRefused();
  void encoderRefusalKeepsExistingFile();
  void otherFileNameIsShownAndPrinted();
  void chineseTextRoundTrips();
  void decodingMissingFileKeepsMemo();
  void decodingFailureIsReported();
  void browseFillsOrKeepsName();
  void exceptionInCommandIsShown();
  void printPreviewBeforeGeneration();
  void printPreviewPaintsEightSymbols();
  void messageBoxIsModalWarningWithOk();
};

class PageTest : public QObject {
  Q_OBJECT
 private slots:
  void imagesAtTheirMillimetreRectangles();
  void headerLabelsInHeaderBand();
  void pagedDevicesGetA4FullPage();
};

class TextTest : public QObject {
  Q_OBJECT
 private slots:
  void gbkRoundTrip();
  void gbkDecodingIsLenient();
  void gbkRefusesWhatItCannotHold();
  void trimRemovesControlCodesOnly();
};

class ExtrasTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void everyTextInBothLanguages();
  void windowSwitchesLanguage();
  void messagesByChoice_data();
  void messagesByChoice();
  void savedSymbolsReadBack_data();
  void savedSymbolsReadBack();
  void fitScalesToTheArea_data();
  void fitScalesToTheArea();
  void picturesPastedAndDropped_data();
  void picturesPastedAndDropped();
  void detailsListEverySymbol_data();
  void detailsListEverySymbol();
  void symbologyKeepsItsColumns();
};
