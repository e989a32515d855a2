// Taking the sender address and the subject out of a message's header block.
#include <gtest/gtest.h>
#include "storage/mailbox_entry.h"
#include "storage/owned_string.h"
#include "support/entry_headers.h"
#include <cstring>
#include <string>
#include <vector>

namespace {

class HeaderFields : public ::testing::Test {
protected:
    MailboxEntry e;
    void give(const std::vector<const char*>& texts) { giveHeaders(e, texts); }
    std::string field(int index, int which, bool* found = nullptr)
    {
        char out[256];
        memset(out, 'Z', sizeof out);
        out[255] = 0;
        bool ok = e.getHeaderField(index, out, sizeof out, which);
        if (found)
            *found = ok;
        return ok ? std::string(out) : std::string("<none>");
    }
};

TEST_F(HeaderFields, SenderAddressAndSubject)
{
    give({ "+OK\r\nFrom: Ann Smith <ann@example.org>\r\nSubject: Lunch today\r\n\r\n.\r\n",
           "+OK\r\nFrom: bob@example.org\r\nSubject: \r\n\r\n.\r\n" });
    EXPECT_EQ("ann@example.org", field(0, 0));
    EXPECT_EQ("Lunch today", field(0, 1));
    EXPECT_EQ(" bob@example.org", field(1, 0)); // the blank after the colon is kept
    bool found = false;
    EXPECT_EQ("", field(1, 1, &found));
    EXPECT_TRUE(found);
}

TEST_F(HeaderFields, UnbalancedBracketsFollowTheLineEnd)
{
    give({ "+OK\r\nFrom: Ann <ann@example.org\r\nX: >\r\n\r\n.\r\n",
           "+OK\r\nFrom: ann@example.org> (Ann)\r\nX: <y>\r\n\r\n.\r\n" });
    EXPECT_EQ("ann@example.org", field(0, 0));
    EXPECT_EQ(" ann@example.org", field(1, 0));
}

TEST_F(HeaderFields, NamesMustMatchExactlyAtALineStart)
{
    give({ "+OK\r\nsubject: lower\r\nX-From: x\r\nSubject:tight\r\n\r\n.\r\n",
           "+OK\r\nSubject: first line\r\n second line\r\nFrom: a@b\r\n\r\n.\r\n",
           "-ERR no such message\r\n", nullptr });
    bool found = true;
    field(0, 1, &found);
    EXPECT_FALSE(found);
    field(0, 0, &found);
    EXPECT_FALSE(found);
    EXPECT_EQ("first line", field(1, 1));
    field(2, 0, &found);
    EXPECT_FALSE(found);
    field(3, 1, &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(nullptr, e.getHeader(3));
}

TEST_F(HeaderFields, IndexesOutsideTheListAndOtherFieldKinds)
{
    give({ "+OK\r\nSubject: s\r\n\r\n.\r\n" });
    bool found = true;
    field(1, 1, &found);
    EXPECT_FALSE(found);
    field(-1, 1, &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(nullptr, e.getHeader(1));
    char out[4] = "abc";
    EXPECT_TRUE(e.getHeaderField(0, out, sizeof out, 7));
    EXPECT_STREQ("abc", out); // nothing written
    MailboxEntry empty;
    EXPECT_FALSE(empty.getHeaderField(0, out, sizeof out, 0));
}

TEST_F(HeaderFields, ALongValueIsCutToTheBuffer)
{
    std::string subject(5000, 's');
    std::string text = "+OK\r\nSubject: " + subject + "\r\n\r\n.\r\n";
    give({ text.c_str() });
    char out[16];
    out[15] = 'X';
    ASSERT_TRUE(e.getHeaderField(0, out, 12, 1));
    EXPECT_EQ(std::string(11, 's'), std::string(out));
    EXPECT_EQ('X', out[15]);
    EXPECT_FALSE(e.getHeaderField(0, out, 0, 1));
}

} // namespace
