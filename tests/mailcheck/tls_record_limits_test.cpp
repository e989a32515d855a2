// The session's deadline and stop event over TLS, against a scripted server
// (tests/support/with-scripted-tls) that writes records no ordinary server would: text one byte a
// record, and records without text as fast as they are taken.
#include "mailcheck/pop3_test_support.h"
#include "storage/mailbox_entry.h"
#include <cstdlib>
#include <thread>

namespace {

std::string environment(const char* name)
{
    const char* value = getenv(name);
    return value ? value : "";
}

class ScriptedTlsTest : public Pop3SessionTest {
protected:
    void SetUp() override
    {
        Pop3SessionTest::SetUp();
        thumbprint = environment("TESSARY_TLS_SCRIPT_SHA256");
        ASSERT_EQ(64u, thumbprint.size()) << "run through tests/support/with-scripted-tls";
    }

    // One session from the first byte in TLS against a scenario's port; how long it took in took.
    int runScenario(const char* portVariable, DWORD& took)
    {
        freeHeaders();
        int port = atoi(environment(portVariable).c_str());
        Pop3Target target = { "localhost", SecuritySslTls, port, thumbprint.c_str() };
        DWORD started = GetTickCount();
        int result = Pop3Session(target, "tester", "secret", &count, stopEvent, &headers, detail, sizeof detail);
        took = GetTickCount() - started;
        return result;
    }

    std::string thumbprint;
    char detail[pop3DetailSize] = "untouched";
};

} // namespace

// Each one-byte record is some 30 bytes on the wire. Were those counted, every record sent
// within 300 ms would earn more time than it took, and the reply could go on for hours; counting
// the text, the session ends soon after its ten time-outs.
TEST_F(ScriptedTlsTest, OneByteRecordsEarnTheSessionOnlyTheirText)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 200);
    DWORD took = 0;
    EXPECT_NE(pop3Success, runScenario("TESSARY_TLS_DRIP_PORT", took)) << detail;
    // Ten time-outs, plus what the text dripped meanwhile earned (half of the time at 20 ms a byte).
    EXPECT_GE(took, 2000u) << detail;
    EXPECT_LT(took, 20000u) << detail;
}

// Records without text earn nothing, and arriving as fast as they are taken they leave no wait
// to notice that the session's time is up.
TEST_F(ScriptedTlsTest, RecordsWithoutTextEndAtTheSessionDeadline)
{
    SeamOverride<volatile LONG> shortWait(serverTimeoutMs, 300);
    DWORD took = 0;
    EXPECT_NE(pop3Success, runScenario("TESSARY_TLS_EMPTY_PORT", took)) << detail;
    EXPECT_GE(took, 3000u) << detail;
    EXPECT_LT(took, 20000u) << detail;
}

TEST_F(ScriptedTlsTest, StopEventEndsAFloodOfRecordsWithoutText)
{
    SeamOverride<volatile LONG> longWait(serverTimeoutMs, 60000);
    std::thread stopper([this] {
        Sleep(1500);
        SetEvent(stopEvent);
    });
    DWORD took = 0;
    int result = runScenario("TESSARY_TLS_EMPTY_PORT", took);
    stopper.join();
    EXPECT_NE(pop3Success, result) << detail;
    EXPECT_GE(took, 1400u) << detail;
    EXPECT_LT(took, 15000u) << detail;
}
