// Creates the real main window in the test process, from its template, over a temporary program
// folder, with the platform services a test must control replaced by fakes.
#pragma once
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include "shell/main_window_state.h"
#include "support/fake_clock.h"
#include "support/fake_dyn_data.h"
#include "support/fake_ras.h"
#include "support/fake_speech_engine.h"
#include "support/temp_folder.h"
#include "support/ui_recorder.h"

class MainWindowHarness {
public:
    MainWindowHarness();
    ~MainWindowHarness();

    // Writes the files the window loads at creation; call before open().
    void writeEntryList(const std::function<void(EntryList&)>& fill);
    void writeSettings(const std::function<void(Settings&)>& change);
    // An entry list of one entry, "first" on 127.0.0.1 with a user and a password, always
    // connected and disabled: listed, and never due, so no check starts behind the test's back.
    void writeOneIdleEntry();

    // Creates the window. The poll timer is stopped, so the test runs ticks itself.
    HWND open();
    void close(); // destroys the window and takes its quit message
    HWND window() const { return window_; }

    void command(WORD id);            // WM_COMMAND as the menu sends it
    void tick();                      // one poll tick
    void pump(DWORD milliseconds);    // runs the message loop for a while
    bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);
    bool waitForIdleChecks();         // lets running checks finish and report
    std::string log() const;          // the log's text
    std::wstring logWide() const;     // the log's text as the control holds it, in UTF-16
    int logLines() const;
    int logCount(const std::string& part) const; // how often the log holds this text
    MailboxEntry* entry(int index) const; // in list order
    bool selectRow(int row);
    int rowCount() const;
    std::string rowText(int row, int column) const;
    int rowImage(int row) const;
    MailboxEntry* rowEntry(int row) const;

    TempFolder folder;
    FakeClock clock{ 2026, 12, 8, 12, 0 };
    FakeRas ras;
    FakeDynData dynData;
    std::unique_ptr<FakeSpeechEngine> speech{ new FakeSpeechEngine };
    UiRecorder ui;

private:
    HWND window_ = nullptr;
    std::string savedFolder_;
    LONG savedPort_;
};
