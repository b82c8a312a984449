// Text in fixed-size interface fields: never past the buffer, always terminated, tails
// zero-filled, and conversions that round-trip.

#include "vst3/sdk/helpers/Utf16.h"

#include <gtest/gtest.h>

#include <string>

using namespace Steinberg;

namespace
{
bool tailIsZero(const char16* buffer, int32 from, int32 size)
{
  for (int32 i = from; i < size; ++i)
  {
    if (buffer[i] != 0)
      return false;
  }
  return true;
}
} // namespace

TEST(Text, WideningKeepsByteValuesAndCutsAtTheBuffer)
{
  Vst::String128 text;
  std::fill(std::begin(text), std::end(text), char16(0x7777));
  EXPECT_EQ(widenText("Gain \xE9", text), 6); // Latin-1 byte stays its code point
  EXPECT_EQ(std::u16string(text), u"Gain \u00E9");
  EXPECT_TRUE(tailIsZero(text, 6, 128));

  const std::string longText(300, 'x');
  EXPECT_EQ(widenText(longText.c_str(), text), 127);
  EXPECT_EQ(text[126], u'x');
  EXPECT_EQ(text[127], 0);

  EXPECT_EQ(widenText(nullptr, text), 0);
  EXPECT_TRUE(tailIsZero(text, 0, 128));
  EXPECT_EQ(widenText("abc", text, 0), 0); // no room at all: nothing written
}

TEST(Text, NarrowingIsTheReverseAndMarksWhatDoesNotFit)
{
  char8 text[8];
  EXPECT_EQ(narrowText(u"Host \u00E9\u20AC", text), 7);
  EXPECT_EQ(std::string(text), "Host \xE9?");
  EXPECT_EQ(narrowText(u"12345678901", text), 7);
  EXPECT_EQ(std::string(text), "1234567");
}

TEST(Text, Utf8RoundTripsThroughUtf16)
{
  const char8* source = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5"; // A, e-acute, euro, a musical note (two units)
  char16 wide[16];
  EXPECT_EQ(utf8ToUtf16(source, wide), 5);
  EXPECT_EQ(std::u16string(wide), u"A\u00E9\u20AC\U0001F3B5");
  char8 back[16];
  EXPECT_EQ(utf16ToUtf8(wide, back), 10);
  EXPECT_EQ(std::string(back), source);
}

TEST(Text, CutsNeverSplitACharacter)
{
  char16 wide[3]; // room for two units: the surrogate pair would need both after 'A'
  EXPECT_EQ(utf8ToUtf16("A\xF0\x9F\x8E\xB5", wide), 1);
  EXPECT_EQ(wide[1], 0);

  char8 narrow[4]; // room for three bytes: the euro sign needs three after 'A'
  EXPECT_EQ(utf16ToUtf8(u"A\u20AC", narrow), 1);
  EXPECT_EQ(std::string(narrow), "A");
}

TEST(Text, MalformedInputBecomesReplacementCharacters)
{
  char16 wide[8];
  utf8ToUtf16("\xC3(\xFF", wide); // a lead byte without continuation, then a stray byte
  EXPECT_EQ(std::u16string(wide), u"\uFFFD(\uFFFD");
  utf8ToUtf16("\xC0\xAF", wide); // over-long encoding of '/'
  EXPECT_EQ(wide[0], 0xFFFD);

  char8 narrow[8];
  const char16 lone[] = {0xD800, u'x', 0};
  utf16ToUtf8(lone, narrow);
  EXPECT_EQ(std::string(narrow), "\xEF\xBF\xBDx");
}

TEST(Text, LengthAndEquality)
{
  EXPECT_EQ(text16Length(u"abc", 128), 3);
  EXPECT_EQ(text16Length(u"abcdef", 4), 4);
  EXPECT_EQ(text16Length(nullptr, 4), 0);
  EXPECT_TRUE(text16Equal(u"on", u"on"));
  EXPECT_FALSE(text16Equal(u"on", u"On"));
  EXPECT_FALSE(text16Equal(u"on", u"one"));
  EXPECT_TRUE(text16Equal(nullptr, u""));
}
