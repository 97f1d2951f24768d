// Every text the window, its dialogs, its message boxes and its print page show, in Chinese (the
// default) and in English.
#pragma once

#include <QString>

enum class Language { Chinese, English };

// The texts by purpose. Those with %1, %2 are filled in with QString::arg.
enum class Text {
  // The window and its controls.
  WindowTitle,
  GroupEncode,
  LabelData,
  LabelAspect,
  LabelLevel,
  LabelColumns,
  LabelOutputFile,
  ButtonGenerate,
  GroupDecode,
  LabelDecodeFile,
  ButtonBrowse,
  ButtonDecode,
  GroupDisplay,
  ButtonPrint,
  LabelSymbology,
  LabelEncoding,
  EncodingGbk,
  EncodingUtf8Eci,
  EncodingGbkEci,
  LabelLanguage,
  CheckFit,
  ButtonSaveAs,
  ButtonCopy,
  ButtonPaste,
  CheckDetails,
  TipColumnsMicro,
  TipLevelMicro,
  TipDrop,
  // Dialogs and the print page.
  OpenTitle,
  FilterPictures,
  FilterAll,
  SaveTitle,
  FilterPng,
  FilterSvg,
  FilterBmp,
  PreviewTitle,
  PageTitle,
  // Message boxes.
  Caption,
  AspectRange,
  LevelRange,
  ColumnsRange,
  MicroColumnsRange,
  NameEmpty,
  DataEmpty,
  DataTooLong,
  NotGbk,        // %1 the character
  NotInCharset,  // %1 the character, %2 the character set
  Detail,        // %1 the codec's own words, in brackets
  RefusedClassic,
  RefusedSymbol,
  CannotWrite,  // %1 the file
  GenerateFailed,
  CannotShow,  // %1 the file
  FileNotFound,
  DecodeUnreadable,
  DecodeNoSymbol,
  DecodeNotCorrectable,
  DecodeFailed,
  PrintNoFile,      // %1 the file
  PrintUnreadable,  // %1 the file
  OutOfMemory,
  CommandFailed,  // %1 what was thrown
  UnknownFailure,
  StartFailed,  // %1 why
  NothingMade,
  CannotSave,  // %1 the file
  ClipboardEmpty,
  // Decode details in the memo.
  DetailsSymbol,     // %1 number, %2 count, %3 symbology, %4 rows, %5 columns
  DetailsLevel,      // %1
  DetailsCorrected,  // %1
  DetailsErasures,   // %1
  DetailsEci,        // %1
  DetailsMacro,      // %1 index, %2 count
  DetailsText,       // %1 the symbol's text
  DetailsSeparator,  // between the items of a line
  SymbologyCompact,
  Count
};

// The text in the language.
QString Tr(Text text, Language language);

// "zh" (also "zh_CN", "cn", "chinese") or "en" ("en_US", "english"), any case. False for others.
bool ParseLanguage(const QString& name, Language* language);
