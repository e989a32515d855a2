// The reply to UIDL: what a line must look like, and a reply read in any pieces, refused, broken
// or endless.
#include <gtest/gtest.h>
#include "mailcheck/uidl_list.h"
#include <algorithm>
#include <cstring>
#include <string>

namespace {

struct LineCase {
    const char* line;
    bool parses;
    uint32_t number;
    const char* id;
};

TEST(UidlLine, OnlyANumberInRangeAndOnePrintableIdOfAtMostSeventyCharactersParse)
{
    const std::string seventy(70, 'x');
    const std::string seventyOne(71, 'x');
    const std::string longest = "7 " + seventy;
    const std::string tooLong = "7 " + seventyOne;
    const LineCase cases[] = {
        { "1 whqtswO00WBw418f9t5JxYwZ", true, 1, "whqtswO00WBw418f9t5JxYwZ" },
        { "100 a", true, 100, "a" },
        { "3 \t id-with.punctuation!~ ", true, 3, "id-with.punctuation!~" },
        { "0005 leading-zeros", true, 5, "leading-zeros" },
        { longest.c_str(), true, 7, seventy.c_str() },
        { tooLong.c_str(), false, 0, nullptr },
        { "0 zero", false, 0, nullptr },
        { "101 above-the-count", false, 0, nullptr },
        { "99999999999999999999 overflow", false, 0, nullptr },
        { "1", false, 0, nullptr },
        { "1 ", false, 0, nullptr },
        { "1abc", false, 0, nullptr },
        { " 1 abc", false, 0, nullptr },
        { "+1 abc", false, 0, nullptr },
        { "x abc", false, 0, nullptr },
        { "1 two ids", false, 0, nullptr },
        { "1 bell\x07", false, 0, nullptr },
        { "1 del\x7f", false, 0, nullptr },
        { "1 \xe9t\xe9", false, 0, nullptr },
        { "", false, 0, nullptr },
    };
    for (const LineCase& c : cases) {
        uint32_t number = 0;
        const char* id = nullptr;
        size_t idLength = 0;
        bool parsed = parseUidlLine(c.line, strlen(c.line), 100, number, id, idLength);
        EXPECT_EQ(c.parses, parsed) << "'" << c.line << "'";
        if (parsed && c.parses) {
            EXPECT_EQ(c.number, number) << c.line;
            EXPECT_EQ(c.id, std::string(id, idLength)) << c.line;
        }
    }
}

TEST(UidlLine, AnEmbeddedZeroByteEndsNothingAndIsRefused)
{
    const char line[] = { '1', ' ', 'a', '\0', 'b' };
    uint32_t number = 0;
    const char* id = nullptr;
    size_t idLength = 0;
    EXPECT_FALSE(parseUidlLine(line, sizeof line, 10, number, id, idLength));
}

std::string listOf(int count)
{
    std::string reply = "+OK unique-id listing follows\r\n";
    for (int n = 1; n <= count; ++n)
        reply += std::to_string(n) + " uid-" + std::to_string(n * 7) + "\r\n";
    return reply + ".\r\n";
}

TEST(UidlReply, TheSameListWhateverPiecesItArrivesInAndNothingOfTheNextReplyIsTaken)
{
    const std::string reply = listOf(5);
    const std::string next = "+OK next reply\r\n";
    const std::string stream = reply + next;
    for (size_t piece = 1; piece <= stream.size(); ++piece) {
        UidlList list(5);
        size_t used = 0;
        for (size_t at = 0; at < stream.size() && list.state() == UidlList::State::reading; at += piece) {
            size_t length = std::min(piece, stream.size() - at);
            used += list.take(stream.data() + at, length);
        }
        ASSERT_EQ(UidlList::State::listed, list.state()) << "pieces of " << piece;
        EXPECT_EQ(reply.size(), used) << "pieces of " << piece;
        for (uint32_t n = 1; n <= 5; ++n)
            EXPECT_EQ("uid-" + std::to_string(n * 7), list.id(n));
    }
}

TEST(UidlReply, LinesThatDoNotParseOrNameNoMessageOfTheMailboxAreSkipped)
{
    const std::string overlong = "2 " + std::string(300, 'y');
    const std::string reply = "+OK\r\n"
                              "1 first\r\n" +
                              overlong + "\r\n"
                              "garbage line\r\n"
                              "4 beyond-the-count\r\n"
                              "1 named-again\r\n"
                              "..3 dot-stuffed\r\n"
                              "3 third\r\n"
                              ".\r\n";
    UidlList list(3);
    EXPECT_EQ(reply.size(), list.take(reply.data(), reply.size()));
    ASSERT_EQ(UidlList::State::listed, list.state());
    EXPECT_EQ("first", list.id(1));
    EXPECT_EQ("", list.id(2));
    EXPECT_EQ("third", list.id(3));
    EXPECT_EQ("", list.id(4));
    EXPECT_EQ("", list.id(0));
}

TEST(UidlReply, AnIdGivenToTwoMessagesBelongsToNeither)
{
    const std::string reply = "+OK\r\n1 same\r\n2 other\r\n3 same\r\n.\r\n";
    UidlList list(3);
    list.take(reply.data(), reply.size());
    ASSERT_EQ(UidlList::State::listed, list.state());
    EXPECT_EQ("", list.id(1));
    EXPECT_EQ("other", list.id(2));
    EXPECT_EQ("", list.id(3));
}

TEST(UidlReply, RefusedAndBrokenRepliesEndAtTheirStatusLine)
{
    const std::string refused = "-ERR unknown command\r\n+OK for the next command\r\n";
    UidlList refusing(2);
    EXPECT_EQ(strlen("-ERR unknown command\r\n"), refusing.take(refused.data(), refused.size()));
    EXPECT_EQ(UidlList::State::refused, refusing.state());

    const std::string garbled = "HELLO\r\n1 a\r\n.\r\n";
    UidlList broken(2);
    broken.take(garbled.data(), garbled.size());
    EXPECT_EQ(UidlList::State::broken, broken.state());
}

TEST(UidlReply, AServerThatNeverEndsTheListIsCutOffWithinABoundedNumberOfBytes)
{
    UidlList list(10);
    const std::string status = "+OK\r\n";
    list.take(status.data(), status.size());
    const std::string line = "1 again-and-again\r\n";
    size_t sent = status.size();
    while (list.state() == UidlList::State::reading && sent < 100000) {
        list.take(line.data(), line.size());
        sent += line.size();
    }
    EXPECT_EQ(UidlList::State::broken, list.state());
    EXPECT_LE(sent, size_t(12 * 130 + line.size()));
}

TEST(UidlReply, AnEmptyListAndAListForAnEmptyMailbox)
{
    const std::string reply = "+OK\r\n.\r\n";
    UidlList list(0);
    EXPECT_EQ(reply.size(), list.take(reply.data(), reply.size()));
    EXPECT_EQ(UidlList::State::listed, list.state());
    EXPECT_TRUE(list.ids().empty());
}

} // namespace
