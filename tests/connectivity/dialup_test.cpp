// The dial-up queries, the hang-up and the dial against a scripted RAS, and once against the
// platform's own.
#include <gtest/gtest.h>
#include "connectivity/dial_entry.h"
#include "connectivity/dialup_detect.h"
#include "connectivity/ras_listing.h"
#include "support/fake_ras.h"
#include <cstring>

namespace {

typedef std::vector<std::string> Calls;

FakeConnection connection(const char* name, RASCONNSTATE state = RASCS_Connected)
{
    FakeConnection c;
    c.name = name;
    c.state = state;
    return c;
}

std::string connectedName(const char* name)
{
    char* out = nullptr;
    EXPECT_TRUE(DialupDetect::GetRasConnState(name, out));
    std::string result = out ? out : "(none)";
    delete[] out;
    return result;
}

TEST(DialupQueries, EmptyPhonebookFailsNamedQueriesButNotTheNullName)
{
    FakeRas ras;
    EXPECT_EQ(-1, DialupDetect::IsDialupConnected("Office"));
    EXPECT_EQ(-1, DialEntry(nullptr));
    // The size probe finds nothing; no second call, no dial.
    EXPECT_EQ((Calls{ "entries", "entries" }), ras.calls());

    EXPECT_EQ(0, DialupDetect::IsDialupConnected(nullptr));
    EXPECT_EQ((Calls{ "entries", "entries", "connections" }), ras.calls()); // phonebook not asked
}

TEST(DialupQueries, PhonebookTestLooksForTheNameInsideTheEntry)
{
    FakeRas ras;
    ras.phonebook = { "Home", "Office ISP" };
    ras.connections = { connection("Office ISP") };
    EXPECT_EQ(1, DialupDetect::IsDialupConnected("Office ISP"));
    EXPECT_EQ(-1, DialupDetect::IsDialupConnected("Office ISP 2")); // no entry contains it
    EXPECT_EQ(-1, DialupDetect::IsDialupConnected("office"));       // case counts
    // "Office" passes the phonebook, but the connection "Office ISP" does not occur in "Office".
    EXPECT_EQ(0, DialupDetect::IsDialupConnected("Office"));
}

TEST(DialupQueries, ConnectionTestLooksForTheConnectionInsideTheName)
{
    FakeRas ras;
    ras.connections = { connection("Home", RASCS_OpenPort), connection("Office"), connection("ISP") };
    EXPECT_EQ("Office", connectedName(nullptr));       // first connected one in RAS order
    EXPECT_EQ("Office", connectedName("Office ISP"));  // "Office" occurs in "Office ISP"
    EXPECT_EQ("ISP", connectedName("ISP"));
    EXPECT_EQ("(none)", connectedName("Home"));        // still being set up
    EXPECT_EQ("(none)", connectedName("Offic"));
}

TEST(DialupQueries, RasFailuresAreReportedAndLeaveTheOutputAlone)
{
    FakeRas ras;
    ras.phonebook = { "Office" };
    ras.connections = { connection("Office"), connection("Spare") };
    char sentinel[] = "untouched";
    char* out = sentinel;

    ras.failingConnectionCalls = { 2 }; // the second call of the enumeration
    EXPECT_FALSE(DialupDetect::GetRasConnState(nullptr, out));
    EXPECT_EQ(sentinel, out);

    ras.connections[0].statusError = 668;
    EXPECT_FALSE(DialupDetect::GetRasConnState("Office", out));
    EXPECT_EQ(sentinel, out);
    EXPECT_EQ(-1, DialupDetect::IsDialupConnected("Office"));
    EXPECT_EQ(-1, DialupDetect::HangUpConnection(nullptr));

    ras.failingEntryCalls = { ras.count("entries") + 2 };
    EXPECT_EQ(-1, DialupDetect::IsDialupConnected("Office"));
}

TEST(DialupQueries, ProbeResultIsNotLookedAtOnlyItsSize)
{
    FakeRas ras;
    ras.phonebook = { "Office" };
    ras.connections = { connection("Office") };
    ras.failingEntryCalls = { 1 };
    ras.failingConnectionCalls = { 1 };
    EXPECT_EQ(1, DialupDetect::IsDialupConnected("Office"));
    EXPECT_EQ((Calls{ "entries", "entries", "connections", "connections", "status Office" }), ras.calls());
}

TEST(DialupQueries, NamesWithoutTerminatorAreCutAtTheirField)
{
    FakeRas ras;
    ras.connections = { connection(std::string(300, 'A').c_str()) };
    EXPECT_EQ(std::string(256, 'A'), connectedName(nullptr));
}

TEST(HangUp, OnlyMatchingConnectedConnectionsAreHungUpAndWaitedFor)
{
    FakeRas ras;
    ras.connections = { connection("Office"), connection("Home", RASCS_ConnectDevice), connection("ISP") };
    ras.connections[0].pollsToLetGo = 2;
    EXPECT_EQ(1, DialupDetect::HangUpConnection("Office ISP"));
    EXPECT_EQ((Calls{ "connections", "connections", "status Office", "hangup Office", "status Office",
                      "sleep 300", "status Office", "sleep 300", "status Office", "status ISP",
                      "hangup ISP", "status ISP" }),
              ras.calls());
    EXPECT_FALSE(ras.connections[1].hungUp);
}

TEST(HangUp, NullNameHangsUpEveryConnectedOne)
{
    FakeRas ras;
    ras.connections = { connection("Office"), connection("Home", RASCS_Authenticate), connection("ISP") };
    EXPECT_EQ(1, DialupDetect::HangUpConnection(nullptr));
    EXPECT_TRUE(ras.connections[0].hungUp);
    EXPECT_FALSE(ras.connections[1].hungUp);
    EXPECT_TRUE(ras.connections[2].hungUp);

    FakeRas none;
    EXPECT_EQ(1, DialupDetect::HangUpConnection(nullptr));
}

TEST(HangUp, StatusErrorStopsTheWalkAndConnectionsAlreadyDownStayDown)
{
    FakeRas ras;
    ras.connections = { connection("A"), connection("B"), connection("C") };
    ras.connections[1].statusError = 668;
    EXPECT_EQ(-1, DialupDetect::HangUpConnection(nullptr));
    EXPECT_TRUE(ras.connections[0].hungUp);
    EXPECT_EQ(0, ras.count("status C"));
}

TEST(HangUp, ConnectionThatNeverLetsGoIsGivenUpAfterTheLimit)
{
    FakeRas ras;
    ras.connections = { connection("Stuck"), connection("Next") };
    ras.connections[0].pollsToLetGo = -1;
    EXPECT_EQ(-1, DialupDetect::HangUpConnection(nullptr));
    EXPECT_EQ(1 + hangUpPollLimit, ras.count("status Stuck"));
    EXPECT_EQ(hangUpPollLimit - 1, ras.count("sleep 300"));
    EXPECT_EQ(0, ras.count("hangup Next"));
}

TEST(Dial, SuccessDialsTheStoredParametersAndSettles)
{
    FakeRas ras;
    ras.phonebook = { "Home", "Office ISP" };
    ras.storedParams = { "Home", "Office ISP" };
    EXPECT_EQ(1, DialEntry("Office ISP"));
    EXPECT_EQ((Calls{ "entries", "entries", "params Office ISP", "dial Office ISP", "sleep 1500" }),
              ras.calls());
    EXPECT_STREQ("555-0100", ras.dialled.szPhoneNumber);
    EXPECT_EQ(sizeof(RasDialParams95), ras.dialled.dwSize);

    EXPECT_EQ(1, DialEntry(nullptr));
    EXPECT_EQ(1, ras.count("dial Home"));
}

TEST(Dial, PartialNameAsksForTheParametersOfThatNameItself)
{
    FakeRas ras;
    ras.phonebook = { "Office ISP" };
    ras.storedParams = { "Office ISP" };
    EXPECT_EQ(-1, DialEntry("Office"));
    EXPECT_EQ(1, ras.count("params Office"));
    EXPECT_EQ(0, ras.count("dial Office"));
    EXPECT_EQ(-1, DialEntry("Home"));
    EXPECT_EQ(0, ras.count("params Home"));
}

TEST(Dial, FailureSettlesThenHangsUpAHalfMadeConnection)
{
    FakeRas ras;
    ras.phonebook = { "Office" };
    ras.storedParams = { "Office" };
    ras.dialResult = 678;
    EXPECT_EQ(-1, DialEntry("Office"));
    Calls calls = ras.calls();
    EXPECT_EQ((Calls{ "dial Office", "sleep 1500", "hangup Office", "status Office" }),
              Calls(calls.end() - 4, calls.end()));

    ras.dialGivesHandle = false;
    EXPECT_EQ(-1, DialEntry("Office"));
    EXPECT_EQ("sleep 1500", ras.calls().back());
    EXPECT_EQ(1, ras.count("hangup Office"));
}

TEST(Dial, SettlingReallyTakesOneAndAHalfSeconds)
{
    FakeRas ras;
    ras.phonebook = { "Office" };
    ras.storedParams = { "Office" };
    rasCalls.Sleep = ::Sleep;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    EXPECT_EQ(1, DialEntry("Office"));
    QueryPerformanceCounter(&end);
    // Slack for the timer's granularity; a missing or shorter wait is far below this.
    EXPECT_GE((end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart, 1450);
}

TEST(PlatformRas, EmptyStubAnswersWithoutCrashing)
{
    // The platform here lists no entries and no connections.
    EXPECT_EQ(0, DialupDetect::IsDialupConnected(nullptr));
    EXPECT_EQ(-1, DialupDetect::IsDialupConnected("Office"));
    EXPECT_EQ("(none)", connectedName("Office"));
    EXPECT_EQ(1, DialupDetect::HangUpConnection(nullptr));
    EXPECT_EQ(-1, DialEntry(nullptr));
}

} // namespace
