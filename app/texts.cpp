#include "texts.h"

#include <cstddef>

namespace {

struct Entry {
  Text key;
  const char* chinese;  // UTF-8
  const char* english;
};

// In the order of the enumeration (checked below), so that a text is found by its number.
constexpr Entry kTexts[] = {
    {Text::WindowTitle, "ZamploPDF417二维条码编解码演示",
     "ZamploPDF417 2D Barcode Encoder and Decoder Demo"},
    {Text::GroupEncode, "编码", "Encode"},
    {Text::LabelData, "数据", "Data"},
    {Text::LabelAspect, "长宽比", "Aspect"},
    {Text::LabelLevel, "纠错等级", "EC level"},
    {Text::LabelColumns, "列数", "Cols"},
    {Text::LabelOutputFile, "生成文件", "File"},
    {Text::ButtonGenerate, "生成", "Generate"},
    {Text::GroupDecode, "解码", "Decode"},
    {Text::LabelDecodeFile, "条码文件名", "File name"},
    {Text::ButtonBrowse, "路径", "Open"},
    {Text::ButtonDecode, "解码", "Decode"},
    {Text::GroupDisplay, "显示", "Display"},
    {Text::ButtonPrint, "打印", "Print"},
    {Text::LabelSymbology, "码制", "Symbology"},
    {Text::LabelEncoding, "文字编码", "Text as"},
    {Text::EncodingGbk, "GBK（无ECI）", "GBK (no ECI)"},
    {Text::EncodingUtf8Eci, "UTF-8（ECI 26）", "UTF-8 (ECI 26)"},
    {Text::EncodingGbkEci, "GBK（ECI 32）", "GBK (ECI 32)"},
    {Text::LabelLanguage, "语言", "Language"},
    {Text::CheckFit, "缩放显示", "Fit to area"},
    {Text::ButtonSaveAs, "另存为…", "Save as…"},
    {Text::ButtonCopy, "复制", "Copy"},
    {Text::ButtonPaste, "粘贴", "Paste"},
    {Text::CheckDetails, "详细信息", "Details"},
    {Text::TipColumnsMicro, "MicroPDF417：1~4列，0为自动选择",
     "MicroPDF417: 1 to 4 columns, 0 to choose them"},
    {Text::TipLevelMicro, "MicroPDF417的纠错码字数由尺寸决定",
     "A MicroPDF417 symbol's size sets its error correction"},
    {Text::TipDrop, "可以把图片文件拖放到这里解码", "Drop a picture file here to decode it"},
    {Text::OpenTitle, "打开条码文件", "Open a symbol file"},
    {Text::FilterPictures, "图片 (*.png *.jpg *.jpeg *.bmp)",
     "Pictures (*.png *.jpg *.jpeg *.bmp)"},
    {Text::FilterAll, "所有文件 (*)", "All files (*)"},
    {Text::SaveTitle, "另存条码", "Save the symbol"},
    {Text::FilterPng, "PNG图片 (*.png)", "PNG picture (*.png)"},
    {Text::FilterSvg, "SVG图形 (*.svg)", "SVG drawing (*.svg)"},
    {Text::FilterBmp, "BMP位图 (*.bmp)", "BMP bitmap (*.bmp)"},
    {Text::PreviewTitle, "打印预览", "Print preview"},
    {Text::PageTitle, "Zamplo二维条码测试", "Zamplo 2D Barcode Test"},
    {Text::Caption, "讯息", "Message"},
    {Text::AspectRange, "长宽比的取值范围为1~5", "The aspect ratio ranges from 1 to 5"},
    {Text::LevelRange, "纠错等级的取值范围为0~7", "The error-correction level ranges from 0 to 7"},
    {Text::ColumnsRange, "列数的取值范围为1~30", "The number of columns ranges from 1 to 30"},
    {Text::MicroColumnsRange, "MicroPDF417的列数取值范围为1~4，0为自动选择",
     "A MicroPDF417 symbol has 1 to 4 columns; 0 chooses them"},
    {Text::NameEmpty, "生成文件名不能为空", "The file name must not be empty"},
    {Text::DataEmpty, "数据不能为空", "The data must not be empty"},
    {Text::DataTooLong, "数据长度不能超过1K", "The data must not be longer than 1K bytes"},
    {Text::NotGbk, "数据中含有无法用GBK编码表示的字符“%1”",
     "The data holds the character “%1”, which GBK cannot represent"},
    {Text::NotInCharset, "数据中含有无法用%2编码表示的字符“%1”",
     "The data holds the character “%1”, which %2 cannot represent"},
    {Text::Detail, "（%1）", "(%1)"},
    {Text::RefusedClassic,
     "生成失败：条码容纳不下这样的参数和数据。列数须为1~30，纠错等级须为0~8，长宽比至少为1，"
     "一个条码最多90行、928个码字。",
     "Not generated: no symbol holds these settings and data. The columns must be 1 to 30, the "
     "level 0 to 8 and the aspect ratio at least 1; a symbol has at most 90 rows and 928 "
     "codewords."},
    {Text::RefusedSymbol,
     "生成失败：条码容纳不下这样的参数和数据。PDF417的列数须为1~30，纠错等级须为0~8；"
     "MicroPDF417的列数须为1~4（0为自动选择）；长宽比须为2~20。",
     "Not generated: no symbol holds these settings and data. PDF417 takes 1 to 30 columns and "
     "levels 0 to 8, MicroPDF417 1 to 4 columns (0 chooses them); the aspect ratio must be 2 to "
     "20."},
    {Text::CannotWrite, "生成失败：无法写入文件“%1”。",
     "Not generated: cannot write the file “%1”."},
    {Text::GenerateFailed, "生成失败。", "Not generated."},
    {Text::CannotShow, "无法显示条码图片“%1”", "Cannot show the symbol picture “%1”"},
    {Text::FileNotFound, "指定的文件不存在", "The file does not exist"},
    {Text::DecodeUnreadable, "解码失败：无法读取该文件，或者它不是可以识别的位图文件。",
     "Not decoded: the file cannot be read, or it is not a picture this program understands."},
    {Text::DecodeNoSymbol, "解码失败：图片中没有找到可以识别的PDF417条码。",
     "Not decoded: the picture holds no PDF417 symbol that can be read."},
    {Text::DecodeNotCorrectable, "解码失败：条码中的错误太多，超出了它的纠错能力。",
     "Not decoded: the symbol has more errors than its error correction can repair."},
    {Text::DecodeFailed, "解码失败。", "Not decoded."},
    {Text::PrintNoFile, "找不到条码图片“%1”，请先生成条码",
     "The symbol picture “%1” is missing: generate a symbol first"},
    {Text::PrintUnreadable, "无法读取条码图片“%1”", "Cannot read the symbol picture “%1”"},
    {Text::OutOfMemory, "内存不足，操作没有完成。", "Out of memory: the command did not finish."},
    {Text::CommandFailed, "操作失败：%1", "The command failed: %1"},
    {Text::UnknownFailure, "操作失败：发生了未知的错误。",
     "The command failed: an unknown error occurred."},
    {Text::StartFailed, "程序无法启动：%1", "The program cannot start: %1"},
    {Text::NothingMade, "还没有生成条码，请先生成条码", "No symbol yet: generate one first"},
    {Text::CannotSave, "无法保存文件“%1”", "Cannot save the file “%1”"},
    {Text::ClipboardEmpty, "剪贴板中没有图片", "The clipboard holds no picture"},
    {Text::DetailsSymbol, "条码%1/%2：%3，%4行×%5列", "Symbol %1 of %2: %3, %4 rows × %5 columns"},
    {Text::DetailsLevel, "纠错等级%1", "level %1"},
    {Text::DetailsCorrected, "纠正%1个码字", "%1 corrected"},
    {Text::DetailsErasures, "擦除%1个", "%1 erasures"},
    {Text::DetailsEci, "ECI %1", "ECI %1"},
    {Text::DetailsMacro, "宏PDF417分段%1/%2", "Macro PDF417 segment %1 of %2"},
    {Text::DetailsText, "数据：%1", "Data: %1"},
    {Text::DetailsSeparator, "，", ", "},
    {Text::SymbologyCompact, "紧凑PDF417", "Compact PDF417"},
};

constexpr std::size_t kTextCount = sizeof kTexts / sizeof kTexts[0];
static_assert(kTextCount == static_cast<std::size_t>(Text::Count), "a text is missing");

constexpr bool InKeyOrder() {
  for (std::size_t i = 0; i < kTextCount; ++i) {
    if (static_cast<std::size_t>(kTexts[i].key) != i) return false;
  }
  return true;
}
static_assert(InKeyOrder(), "the texts are not in the order of their keys");

}  // namespace

QString Tr(Text text, Language language) {
  const Entry& entry = kTexts[static_cast<std::size_t>(text)];
  return QString::fromUtf8(language == Language::English ? entry.english : entry.chinese);
}

bool ParseLanguage(const QString& name, Language* language) {
  const QString n = name.trimmed().toLower();
  if (n == QLatin1String("zh") || n == QLatin1String("zh_cn") || n == QLatin1String("cn") ||
      n == QLatin1String("chinese")) {
    *language = Language::Chinese;
    return true;
  }
  if (n == QLatin1String("en") || n == QLatin1String("en_us") || n == QLatin1String("english")) {
    *language = Language::English;
    return true;
  }
  return false;
}
