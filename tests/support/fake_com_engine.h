// What the fake speech engines (the old API's and SAPI 5's) have in common: their call log, and
// fake COM objects that count the references to all their interfaces together, log their release,
// and are kept until the engine ends, so that a test can see every reference taken given back.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

// A UTF-16 text for a call log; characters beyond ASCII show as '?', null as nothing.
std::string narrowForLog(const WCHAR* text);

// The next of a call's scripted results, used up one per call; S_OK once none is left.
HRESULT takeScriptedResult(std::vector<HRESULT>& results);

class FakeComObject {
public:
    FakeComObject(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
    virtual ~FakeComObject() = default;
    FakeComObject(const FakeComObject&) = delete;
    FakeComObject& operator=(const FakeComObject&) = delete;

    ULONG addRef() { return ++refs_; }
    // Logs "release <name>" when the last reference goes, and "over-release <name>" for one too many.
    ULONG release();
    bool live() const { return refs_ > 0; }
    const std::string& name() const { return name_; }

protected:
    virtual void released() {} // the last reference went

private:
    std::vector<std::string>& log_;
    std::string name_;
    ULONG refs_ = 1;
};

class FakeComEngine {
public:
    FakeComEngine() = default;
    FakeComEngine(const FakeComEngine&) = delete;
    FakeComEngine& operator=(const FakeComEngine&) = delete;

    std::vector<std::string> log;
    // The exact UTF-16 texts of the Speak calls, in order (the log keeps only their ASCII).
    std::vector<std::wstring> spokenWide;
    void clearLog()
    {
        log.clear();
        spokenWide.clear();
    }
    void record(const std::string& line) { log.push_back(line); }
    // The texts of the Speak calls in the log, in order.
    std::vector<std::string> spokenTexts() const;
    // The objects made so far that still have references.
    int liveObjects() const;

protected:
    // Keeps an object the engine made until the engine ends, and answers it.
    template <class Fake>
    Fake* keep(Fake* object)
    {
        objects_.emplace_back(object);
        return object;
    }

private:
    std::vector<std::unique_ptr<FakeComObject>> objects_;
};
