// The fake speech engines' shared call log and reference counting.
#include "support/fake_com_engine.h"

std::string narrowForLog(const WCHAR* text)
{
    std::string out;
    for (; text && *text; ++text)
        out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

HRESULT takeScriptedResult(std::vector<HRESULT>& results)
{
    if (results.empty())
        return S_OK;
    HRESULT result = results.front();
    results.erase(results.begin());
    return result;
}

ULONG FakeComObject::release()
{
    if (refs_ == 0) {
        log_.push_back("over-release " + name_);
        return 0;
    }
    if (--refs_ == 0) {
        log_.push_back("release " + name_);
        released();
    }
    return refs_;
}

int FakeComEngine::liveObjects() const
{
    int live = 0;
    for (const auto& object : objects_)
        live += object->live();
    return live;
}

std::vector<std::string> FakeComEngine::spokenTexts() const
{
    std::vector<std::string> texts;
    for (const std::string& line : log)
        if (line.rfind("Speak '", 0) == 0)
            texts.push_back(line.substr(7, line.find("' flags") - 7));
    return texts;
}
