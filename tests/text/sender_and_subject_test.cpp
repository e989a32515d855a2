// The sender and the subject as the program says them: display names before addresses, quotes
// and encoded words undone, folded fields whole, missing fields reported.
#include <gtest/gtest.h>
#include "text/display_name.h"
#include "text/readable_fields.h"
#include <windows.h>
#include <cstring>
#include <string>

namespace {

std::string sender(const std::string& value, size_t size = 256)
{
    std::string buffer(size, 'Z');
    BoundedText out(&buffer[0], size, CP_UTF8);
    appendSpokenSender(value.data(), value.size(), out);
    return buffer.substr(0, out.length());
}

// The field of a header block; "<none>" when it is missing (the buffer must then be untouched).
std::string field(const char* block, HeaderFieldKind which, size_t size = 256)
{
    std::string buffer(size, 'Z');
    if (!readableHeaderField(block, which, &buffer[0], size, CP_UTF8)) {
        EXPECT_EQ(std::string(size, 'Z'), buffer);
        EXPECT_FALSE(hasHeaderField(block, which));
        return "<none>";
    }
    EXPECT_TRUE(hasHeaderField(block, which));
    return buffer.substr(0, strlen(buffer.c_str()));
}

TEST(SpokenSender, TheDisplayNameWhenThereIsOneElseTheAddress)
{
    struct Case {
        const char* from;
        const char* spoken;
    } const cases[] = {
        { " Ann Example <ann@example.org>", "Ann Example" },
        { " \"Example, Ann\" <ann@example.org>", "Example, Ann" },
        { " \"Ann \\\"Annie\\\" Example\" <ann@example.org>", "Ann \"Annie\" Example" },
        { " \"Sales <EU>\" <sales@example.org>", "Sales <EU>" },
        { " =?utf-8?B?SsO2cmcgTcO8bGxlcg==?= <jm@example.de>", u8"Jörg Müller" },
        { " \"=?utf-8?Q?J=C3=B6rg_M=C3=BCller?=\" <jm@example.de>", u8"Jörg Müller" }, // quoted, as some programs do
        { " =?windows-1251?B?z/Do4uXy?= <ivan@example.ru>", u8"Привет" },
        { " ann@example.org (Ann Example)", "Ann Example" },
        { " Ann Example   <ann@example.org", "Ann Example" }, // no closing bracket
        { " Ann <ann@example.org>, Bob <bob@example.org>", "Ann" },
        { " Very Long\r\n Name <v@example.org>", "Very Long Name" },
        { " =?x-unknown?Q?Ann?= <ann@example.org>", "=?x-unknown?Q?Ann?=" },
        { " ann@example.org", "ann@example.org" },
        { "ann@example.org", "ann@example.org" },
        { " <ann@example.org>", "ann@example.org" },
        { "<ann@example.org", "ann@example.org" },
        { " \"\" <ann@example.org>", "ann@example.org" },
        { " =?utf-8?Q?" "?= <ann@example.org>", "ann@example.org" }, // a name that decodes to nothing
        { " ann@example.org ()", "ann@example.org" },
        { " Undisclosed recipients:;", "Undisclosed recipients:;" },
        { "", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.spoken, sender(c.from)) << c.from;
}

TEST(SpokenSender, ALongNameIsCutBetweenCharacters)
{
    EXPECT_EQ("Ann", sender(" Ann Example <ann@example.org>", 4));
    EXPECT_EQ(u8"Jö", sender(" =?utf-8?Q?J=C3=B6rg?= <j@example.de>", 4));
    EXPECT_EQ("J", sender(" =?utf-8?Q?J=C3=B6rg?= <j@example.de>", 3)); // half an "ö" never
    EXPECT_EQ("", sender(" Ann <ann@example.org>", 1));
}

TEST(ReadableFields, SubjectsAndSendersOfHeaderBlocks)
{
    const char* block = "+OK\r\n"
                        "Return-Path: <ann@example.org>\r\n"
                        "From: =?utf-8?Q?Ann_Exampl=C3=A9?=\r\n <ann@example.org>\r\n"
                        "Subject: =?utf-8?Q?Lunch_=E2=80=93?=\r\n =?utf-8?Q?_today_at_the_caf=C3=A9?=\r\n"
                        "\tand after\r\n"
                        "Date: Tue, 8 Dec 2026 12:00:00 +0000\r\n"
                        "\r\n.\r\n";
    EXPECT_EQ(u8"Ann Examplé", field(block, SenderField));
    EXPECT_EQ(u8"Lunch – today at the café and after", field(block, SubjectField));
    EXPECT_EQ("", field("+OK\r\nSubject: \r\n\r\n.\r\n", SubjectField));
    EXPECT_EQ("Lunch", field("+OK\r\nSubject: Lunch today\r\n\r\n.\r\n", SubjectField, 6));
}

TEST(ReadableFields, MissingFieldsAreReportedAndNamesMustMatchAsTheyAlwaysHave)
{
    const char* const withoutSubject[] = {
        "-ERR no such message\r\n",
        "+OK\r\nFrom: a@example.org\r\n\r\n.\r\n",
        "+OK\r\nsubject: lower case\r\nX-Subject: other\r\nSubject:tight\r\n\r\n.\r\n",
        "+OK\r\nSubject: no line end",
        nullptr,
    };
    for (const char* block : withoutSubject)
        EXPECT_EQ("<none>", field(block, SubjectField)) << (block ? block : "null");
    EXPECT_EQ("<none>", field("+OK\r\nX-From: a@example.org\r\nfrom: b@example.org\r\n\r\n.\r\n", SenderField));
    EXPECT_EQ("a@example.org", field("+OK\r\nFrom:a@example.org\r\n\r\n.\r\n", SenderField));
}

std::wstring wideField(const char* block, HeaderFieldKind which)
{
    std::wstring text = L"<none>";
    readableHeaderText(block, which, text);
    return text;
}

TEST(ReadableFields, AValueThatStartsOnAContinuationLineIsFound)
{
    const char* block = "+OK\r\n"
                        "From:\r\n =?utf-8?B?0JjQstCw0L0=?= <ivan@example.ru>\r\n"
                        "Subject:\r\n =?utf-8?B?5LuK5pel44Gu5Lya6K2w?=\r\n\t=?utf-8?B?8J+ThQ==?=\r\n"
                        "Date:\r\n Tue, 8 Dec 2026 12:00:00 +0000\r\n"
                        "\r\n.\r\n";
    EXPECT_EQ(L"\u0418\u0432\u0430\u043D", wideField(block, SenderField));
    EXPECT_EQ(L"\u4ECA\u65E5\u306E\u4F1A\u8B70\U0001F4C5", wideField(block, SubjectField));
    EXPECT_EQ(L"Tue, 8 Dec 2026 12:00:00 +0000", wideField(block, DateField));
    // A "Subject:" whose next line is not a continuation has no value, and a later real one counts.
    EXPECT_EQ(L"<none>", wideField("+OK\r\nSubject:\r\nFrom: a@example.org\r\n\r\n.\r\n", SubjectField));
    EXPECT_EQ(L"later", wideField("+OK\r\nSubject:x\r\nSubject:\tlater\r\n\r\n.\r\n", SubjectField));
}

TEST(ReadableFields, TheWholeSenderValueIsDecodedForTheViewer)
{
    const char* block = "+OK\r\nFrom: =?utf-8?Q?J=C3=B6rg?= <j@example.de>\r\nSubject: \xC3\xA9t\xC3\xA9\r\n\r\n.\r\n";
    std::wstring value;
    ASSERT_TRUE(decodedHeaderValue(block, SenderField, value));
    EXPECT_EQ(L"J\u00F6rg <j@example.de>", value);
    ASSERT_TRUE(decodedHeaderValue(block, SubjectField, value));
    EXPECT_EQ(L"\u00E9t\u00E9", value);
    EXPECT_FALSE(decodedHeaderValue(block, DateField, value));
}

TEST(ReadableFields, LongTextIsCutBetweenCharacters)
{
    std::wstring text = L"ab\U0001F600c";
    cutWideText(text, 3);
    EXPECT_EQ(L"ab", text);
    text = L"ab\U0001F600c";
    cutWideText(text, 4);
    EXPECT_EQ(L"ab\U0001F600", text);
    cutWideText(text, 10);
    EXPECT_EQ(L"ab\U0001F600", text);
}

} // namespace
