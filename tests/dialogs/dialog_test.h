// What the dialog tests share: the recorders every dialog reports to, and a fresh fatal-error
// state for each test.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "platform/fatal_error.h"
#include "support/fake_open_file.h"
#include "support/fake_ras.h"
#include "support/modal_script.h"
#include "support/ui_recorder.h"

class DialogTest : public ::testing::Test {
protected:
    UiRecorder ui;
    FakeRas ras;
    FakeOpenFile files;

    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_WIN95_CLASSES };
        InitCommonControlsEx(&controls);
        fatalErrorRaised = false;
    }
    void TearDown() override
    {
        drainQuitMessage();
        fatalErrorRaised = false;
    }
    // "caption: text" of every box shown, in order.
    std::vector<std::string> boxTexts() const
    {
        std::vector<std::string> texts;
        for (const RecordedBox& box : ui.boxes)
            texts.push_back(box.caption + ": " + box.text);
        return texts;
    }
    std::string lastBox() const { return ui.boxes.empty() ? "" : ui.boxes.back().caption + ": " + ui.boxes.back().text; }
};
