// Code page 936 conversion and trimming of the window's fields.
#include <QTest>
#include <string>

#include "Unit1.h"
#include "app_tests.h"
#include "gbk.h"

void TextTest::gbkRoundTrip() {
  // 汉 is BA BA in GBK; the euro sign is the single byte 80 in code page 936.
  const std::string utf8 = "\xE6\xB1\x89" "A\xE2\x82\xAC";
  const std::string bytes = gbk::FromUtf8(utf8);
  QCOMPARE(bytes, std::string("\xBA\xBA" "A\x80"));
  QCOMPARE(gbk::ToUtf8(bytes), utf8);

  // Zero bytes and control codes pass both ways.
  const std::string binary("a\0b\r\n", 5);
  QCOMPARE(gbk::FromUtf8(binary), binary);
  QCOMPARE(gbk::ToUtf8(binary), binary);

  // Long text crosses the decoder's internal chunks.
  std::string longText;
  for (int i = 0; i < 1000; ++i) longText += "\xE6\xB1\x89";
  QCOMPARE(gbk::FromUtf8(longText).size(), std::size_t{2000});
  QCOMPARE(gbk::ToUtf8(gbk::FromUtf8(longText)), longText);
}

void TextTest::gbkDecodingIsLenient() {
  const std::string replacement = "\xEF\xBF\xBD";
  // FF is no GBK byte; a lead byte at the end has no second half.
  QCOMPARE(gbk::ToUtf8("\xFF" "A"), replacement + "A");
  QCOMPARE(gbk::ToUtf8("A\xBA"), "A" + replacement);
  QCOMPARE(gbk::ToUtf8("\xBA\xBA\xFF\xBA\xBA"), "\xE6\xB1\x89" + replacement + "\xE6\xB1\x89");
}

void TextTest::gbkRefusesWhatItCannotHold() {
  // An emoji after "AB" has no GBK form; neither has text that is not UTF-8.
  try {
    gbk::FromUtf8("AB\xF0\x9F\x98\x80");
    QFAIL("an emoji was converted");
  } catch (const gbk::UnrepresentableError& e) {
    QCOMPARE(e.offset(), std::size_t{2});
  }
  QVERIFY_THROWS_EXCEPTION(gbk::UnrepresentableError, gbk::FromUtf8("A\xFF"));
}

void TextTest::trimRemovesControlCodesOnly() {
  QCOMPARE(TrimControls(QString::fromUtf8("\x01 \t\r\nab c\x1f \x7f")), QString::fromUtf8("ab c\x1f \x7f"));
  QCOMPARE(TrimControls(QStringLiteral(" \n \r\n ")), QString());
  // The ideographic space (U+3000) is above code 32 and stays.
  QCOMPARE(TrimControls(QStringLiteral("\u3000数据 ")), QStringLiteral("\u3000数据"));
}
