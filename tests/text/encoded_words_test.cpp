// Encoded words as real mail writes them: decoded, joined, left alone when broken, converted to
// the program's code page and cut without splitting a character.
#include <gtest/gtest.h>
#include "text/encoded_words.h"
#include <windows.h>
#include <string>

namespace {

const unsigned utf8 = CP_UTF8; // shows every decoded character, whatever the system's code page

std::string decoded(const std::string& raw, unsigned codePage = utf8, size_t size = 512)
{
    std::string buffer(size + 1, 'Z'); // one byte past the end that must stay untouched
    BoundedText out(&buffer[0], size, codePage);
    appendDecodedHeaderText(raw.data(), raw.size(), out);
    size_t length = out.length();
    EXPECT_EQ('Z', buffer[size]) << raw;
    if (size == 0)
        return std::string();
    EXPECT_EQ(length, strlen(buffer.c_str())) << raw;
    return buffer.substr(0, length);
}

struct Case {
    const char* raw;
    const char* readable;
};

void expectAll(const std::vector<Case>& cases)
{
    for (const Case& c : cases)
        EXPECT_EQ(c.readable, decoded(c.raw)) << c.raw;
}

TEST(EncodedWords, WordsFromRealMailAreDecoded)
{
    expectAll({
        { "=?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=", u8"Grüße aus Köln" },
        { "=?utf-8?Q?Gr=C3=BC=C3=9Fe_aus_K=c3=b6ln?=", u8"Grüße aus Köln" }, // "_" is a blank, hex in any case
        { "=?ISO-8859-1?Q?Andr=E9?= Pirard", u8"André Pirard" },
        { "=?iso-8859-1?q?Caf=E9_=80_5?=", u8"Café € 5" }, // 0x80 is the euro sign mislabelled mail means
        { "=?windows-1251?B?z/Do4uXyLCDs6PA=?=", u8"Привет, мир" },
        { "=?KOI8-R?Q?=F0=D2=C9=D7=C5=D4?=", u8"Привет" },
        { "=?koi8-r?B?8NLJ18XU?=", u8"Привет" },
        { "=?ISO-8859-2?Q?=AF=F3=B3=E6?=", u8"Żółć" },
        { "=?iso-8859-7?B?xevr5+3p6tw=?=", u8"Ελληνικά" },
        { "=?cp1250?Q?=8Aef?=", u8"Šef" },
        { "=?UTF-8?B?5pel5pys6Kqe44Gu5Lu25ZCN?=", u8"日本語の件名" },
        { "=?utf-8?B?8J+YgCBvaw==?=", u8"😀 ok" },
        { "=?us-ascii?Q?plain_text?=", "plain text" },
        { "=?UTF-8*en?Q?Hello?=", "Hello" }, // a language tag after the charset
        { "=?utf-8?B?SGk?=", "Hi" },          // padding left out
        { "=?utf-8?Q?" "?=", "" },
        { "Re: =?utf-8?Q?Caf=C3=A9?= today", u8"Re: Café today" },
        { "Fwd:=?utf-8?Q?Caf=C3=A9?=", u8"Fwd:Café" },
        { "_underscores_ and 1 + 1 =? 2 stay", "_underscores_ and 1 + 1 =? 2 stay" },
    });
}

TEST(EncodedWords, AdjacentWordsAreJoinedAndFoldsUnfolded)
{
    expectAll({
        { "(=?ISO-8859-1?Q?a?=)", "(a)" },
        { "(=?ISO-8859-1?Q?a?= b)", "(a b)" },
        { "(=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b?=)", "(ab)" },
        { "(=?ISO-8859-1?Q?a?=  \t =?ISO-8859-1?Q?b?=)", "(ab)" },
        { "(=?ISO-8859-1?Q?a?=\r\n    =?ISO-8859-1?Q?b?=)", "(ab)" },
        { "(=?ISO-8859-1?Q?a?= =?ISO-8859-2?Q?_b?=)", "(a b)" },
        { "=?ISO-8859-1?B?SWYgeW91IGNhbiByZWFkIHRoaXMgeW8=?=\r\n =?ISO-8859-2?B?dSB1bmRlcnN0YW5kIHRoZSBleGFtcGxlLg==?=",
          "If you can read this you understand the example." },
        { "=?utf-8?Q?=C3?= =?utf-8?Q?=A4?=", u8"ä" }, // one character split between two words
        { "=?utf-8?B?0J/RgNC40LI=?==?utf-8?B?0LXRgg==?=", u8"Привет" },
        { "Quarterly report for\r\n\tthe board", "Quarterly report for the board" },
        { "two\r\n  blanks", "two  blanks" },
        { "=?utf-8?Q?a=0D=0Ab=09c?=", "a  b c" }, // line breaks and tabs in a word are blanks
    });
}

TEST(EncodedWords, BrokenWordsAndUnknownCharsetsAreLeftAsTheyStand)
{
    const char* const unchanged[] = {
        "=?utf-8?B?###?=",         "=?utf-8?B?QUJDR?=",     "=?utf-8?X?abc?=",     "=?utf-8?Q?=ZZ?=",
        "=?utf-8?Q?=4?=",          "=?utf-8?Q?abc",         "=?utf-8?Q?a b?=",     "=??Q?abc?=",
        "=?utf-8?Q?a?b?=",         "=?utf-8?Q?=FF=FE?=",    "=?utf-8?Q?=C0=AF?=",  "=?utf-8?Q?=E2=82?=",
        "=?utf-8?Q?=ED=A0=80?=",   "=?x-unknown?Q?abc?=",   "=?cp99999?Q?abc?=",   "=?cp1?Q?abc?=",
        "=?iso-8859-12?Q?abc?=",
    };
    for (const char* raw : unchanged)
        EXPECT_EQ(raw, decoded(raw)) << raw;
    expectAll({
        // Blanks between a word left alone and a decoded one are text, and stay.
        { "=?utf-8?Q?bad=ZZ?= =?utf-8?Q?good?=", "=?utf-8?Q?bad=ZZ?= good" },
        { "=?utf-8?Q?ok?= =?utf-8?Q?=FF?= =?utf-8?Q?fine?=", "ok =?utf-8?Q?=FF?= fine" },
        { "=?x-unknown?Q?a?= =?utf-8?Q?b?=", "=?x-unknown?Q?a?= b" },
        // A word with a raw byte in it is no word; the byte is read as raw text is.
        { "=?utf-8?Q?\x80?=", u8"=?utf-8?Q?€?=" },
    });
}

TEST(EncodedWords, TextEndsInTheProgramsCodePageWithQuestionMarksForWhatItLacks)
{
    EXPECT_EQ("\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0", decoded("=?windows-1251?B?z/Do4uXyLCDs6PA=?=", 1251));
    EXPECT_EQ("\xCF\xF0\xE8\xE2\xE5\xF2", decoded("=?koi8-r?B?8NLJ18XU?=", 1251));
    EXPECT_EQ("??????, ???", decoded("=?windows-1251?B?z/Do4uXyLCDs6PA=?=", 1252));
    EXPECT_EQ("?\xF3" "d?", decoded("=?utf-8?Q?=C5=81=C3=B3d=C5=BA?=", 1252)); // Łódź: no look-alike "L"
    EXPECT_EQ("\x80 5", decoded("=?utf-8?Q?=E2=82=AC_5?=", 1252));
    EXPECT_EQ("? ok", decoded("=?utf-8?B?8J+YgCBvaw==?=", 1252)); // a character beyond the basic plane is one '?'
    EXPECT_EQ("\x93\xFA\x96\x7B", decoded("=?utf-8?B?5pel5pys?=", 932));
    EXPECT_EQ("Caf\xE9 \xE9", decoded("Caf\xE9 =?utf-8?Q?=C3=A9?=", 1252));
    EXPECT_EQ(decoded("=?iso-8859-1?Q?Andr=E9?=", GetACP()), decoded("=?iso-8859-1?Q?Andr=E9?=", 0));
}

TEST(EncodedWords, OverlongTextIsCutBetweenCharacters)
{
    std::string word = "=?utf-8?Q?";
    for (int i = 0; i < 600; ++i)
        word += "=C3=A9"; // é, two bytes in UTF-8
    word += "?=";
    std::string cut = decoded(word, utf8, 100);
    EXPECT_EQ(98u, cut.size()); // 49 whole characters; the 50th and its terminator would need 101
    for (size_t i = 0; i < cut.size(); i += 2)
        EXPECT_EQ(u8"é", cut.substr(i, 2));
    EXPECT_EQ(std::string(300, '\xE9'), decoded(word, 1252, 301));

    EXPECT_EQ("\x93\xFA", decoded("=?utf-8?B?5pel5pys6Kqe?=", 932, 4)); // 日 fits, 本 would not
    EXPECT_EQ("\x93\xFA", decoded(u8"日本語", 932, 4));                     // raw UTF-8 text too
    EXPECT_EQ(u8"é", decoded(u8"ééé", utf8, 4));
    EXPECT_EQ("", decoded("=?utf-8?Q?abc?=", utf8, 1));
    EXPECT_EQ("", decoded("=?utf-8?Q?abc?=", utf8, 0));
}

std::wstring wide(const std::string& raw)
{
    return decodedHeaderText(raw.data(), raw.size());
}

TEST(RawHeaderBytes, ValidUtf8IsReadAsUtf8AndAnythingElseAsWindows1252)
{
    EXPECT_EQ(L"Gr\u00FC\u00DFe aus K\u00F6ln", wide("Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln"));
    EXPECT_EQ(L"\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600", wide("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x98\x80"));
    // Latin-1 as older programs write it, with the Windows-1252 quotes and euro sign.
    EXPECT_EQ(L"Caf\u00E9 \u201Cfine\u201D \u20AC5", wide("Caf\xE9 \x93" "fine\x94 \x80" "5"));
    // One invalid sequence anywhere makes the whole value Windows-1252, never half of each.
    EXPECT_EQ(L"\u00C3\u00A9t\u00E9", wide("\xC3\xA9t\xE9"));
    // Overlong forms and surrogates are not UTF-8.
    EXPECT_EQ(L"\u00C0\u00AF", wide("\xC0\xAF"));
    EXPECT_EQ(L"\u00ED\u00A0\u20AC", wide("\xED\xA0\x80"));
    // Encoded words are decoded as before, beside either kind of raw text.
    EXPECT_EQ(L"\u00FCber caf\u00E9", wide("\xC3\xBC" "ber =?utf-8?Q?caf=C3=A9?="));
    EXPECT_EQ(L"\u00FCber caf\u00E9", wide("\xFC" "ber =?utf-8?Q?caf=C3=A9?="));
    // Unassigned Windows-1252 bytes and tabs become blanks.
    EXPECT_EQ(L"a b c", wide("a\x81" "b\tc"));
}

TEST(RawHeaderBytes, EndInTheProgramsCodePageWithQuestionMarksForWhatItLacks)
{
    EXPECT_EQ("Caf\xE9 ?", decoded("Caf\xC3\xA9 \xE6\x97\xA5", 1252));
    EXPECT_EQ("Caf\xE9 \x80", decoded("Caf\xE9 \x80", 1252));
    EXPECT_EQ(u8"Café €", decoded("Caf\xE9 \x80", utf8));
}

} // namespace
