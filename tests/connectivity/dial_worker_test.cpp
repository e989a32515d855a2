// The dial thread: one at a time, the message it posts, and joining it.
#include <gtest/gtest.h>
#include "connectivity/dial_worker.h"
#include "platform/messages.h"
#include "support/fake_ras.h"
#include <cstring>

namespace {

class DialThread : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_TRUE(window);
        std::memset(&worker, 0, sizeof worker);
        ras.phonebook = { "Home", "Office" };
        ras.storedParams = { "Home", "Office" };
    }
    void TearDown() override
    {
        if (worker.thread) {
            EXPECT_EQ(1, StopDialThread(worker));
        }
        DestroyWindow(window);
    }

    // The next dial message posted to the window, within 10 s.
    MSG awaitDialMessage()
    {
        MSG msg = {};
        for (int i = 0; i < 1000; ++i) {
            if (PeekMessageA(&msg, window, WM_DIAL_FAILED, WM_DIAL_CONNECTED, PM_REMOVE))
                return msg;
            Sleep(10);
        }
        ADD_FAILURE() << "no dial message";
        return msg;
    }

    FakeRas ras;
    HWND window = nullptr;
    DialWorker worker;
};

TEST_F(DialThread, ConnectedDialPostsItsWorkerAndIsJoined)
{
    char name[] = "Office";
    ASSERT_EQ(1, DoThreadDialIn(worker, window, name));
    std::strcpy(name, "Home"); // the worker holds its own copy
    MSG msg = awaitDialMessage();
    EXPECT_EQ(WM_DIAL_CONNECTED, msg.message);
    EXPECT_EQ(reinterpret_cast<WPARAM>(&worker), msg.wParam);
    EXPECT_EQ(0, msg.lParam);
    EXPECT_EQ(1, ras.count("dial Office"));
    EXPECT_EQ(worker.entryNameBuffer, worker.entryName);
    EXPECT_EQ(window, worker.notifyWindow);

    EXPECT_EQ(1, StopDialThread(worker));
    EXPECT_EQ(nullptr, worker.thread);
    EXPECT_EQ(1, StopDialThread(worker));
}

TEST_F(DialThread, FailedDialPostsFailure)
{
    ras.dialResult = 678;
    ASSERT_EQ(1, DoThreadDialIn(worker, window, nullptr));
    EXPECT_EQ(nullptr, worker.entryName);
    MSG msg = awaitDialMessage();
    EXPECT_EQ(WM_DIAL_FAILED, msg.message);
    EXPECT_EQ(reinterpret_cast<WPARAM>(&worker), msg.wParam);
    EXPECT_EQ(1, ras.count("dial Home")); // the first phonebook entry
}

TEST_F(DialThread, FinishedDialBlocksTheNextUntilJoined)
{
    ASSERT_EQ(1, DoThreadDialIn(worker, window, "Office"));
    awaitDialMessage();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker.thread, 10000));
    EXPECT_EQ(-1, DoThreadDialIn(worker, window, "Home"));
    EXPECT_STREQ("Office", worker.entryName);
    ASSERT_EQ(1, StopDialThread(worker));
    EXPECT_EQ(1, DoThreadDialIn(worker, window, "Home"));
    awaitDialMessage();
}

TEST_F(DialThread, NameLongerThanTheBufferIsRefused)
{
    std::string tooLong(dialEntryNameBufferSize, 'x');
    EXPECT_EQ(-1, DoThreadDialIn(worker, window, tooLong.c_str()));
    EXPECT_EQ(nullptr, worker.thread);
    EXPECT_EQ('\0', worker.entryNameBuffer[0]);

    // One that fits starts, and DialEntry refuses it as longer than RAS allows.
    std::string fits(dialEntryNameBufferSize - 1, 'x');
    ras.phonebook = { fits };
    ASSERT_EQ(1, DoThreadDialIn(worker, window, fits.c_str()));
    EXPECT_EQ(WM_DIAL_FAILED, awaitDialMessage().message);
    EXPECT_EQ(fits, worker.entryNameBuffer);
}

TEST_F(DialThread, HungDialIsNotJoinedAndStaysInProgress)
{
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ras.dialGate = gate;
    ASSERT_EQ(1, DoThreadDialIn(worker, window, "Office"));
    HANDLE thread = worker.thread;
    EXPECT_EQ(-1, StopDialThread(worker)); // waits its 10 s
    EXPECT_EQ(thread, worker.thread);
    EXPECT_EQ(-1, DoThreadDialIn(worker, window, "Home"));
    SetEvent(gate);
    awaitDialMessage();
    EXPECT_EQ(1, StopDialThread(worker));
    CloseHandle(gate);
}

} // namespace
