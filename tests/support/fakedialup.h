// A scripted dial-up backend, a clock that only moves when slept on, and a UI that records.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dialup/dialupbackend.h"
#include "dialup/dialupmanager.h"

namespace tarnwick::testing {

class CFakeClock : public CClock {
public:
    std::int64_t NowMs() override { return now; }
    void SleepMs(int ms) override
    {
        now += ms;
        ++sleeps;
    }
    std::int64_t now = 1000000;
    int sleeps = 0;
};

class CFakeDialUpBackend : public CDialUpBackend {
public:
    bool ListEntries(std::vector<std::string>& names) override
    {
        names = entries;
        return listWorks;
    }
    int GetEntryDialParams(const std::string& name) override
    {
        for (const std::string& entry : entries) {
            if (entry == name) {
                return kDialOk;
            }
        }
        return kDialEntryNotFound;
    }
    int Dial(const std::string& name, DialHandle& handle) override
    {
        dialed.push_back(name);
        handle.entry = name;
        return dialResult;
    }
    int GetConnectStatus(const DialHandle& handle, DialState& state) override
    {
        ++statusQueries;
        if (handle.IsEmpty() || !statusWorks) {
            return kDialFailed;
        }
        state = stateFor ? stateFor(statusQueries) : DialState::Connecting;
        return 0;
    }
    void HangUp(const DialHandle& handle) override { hungUp.push_back(handle.entry); }

    std::vector<std::string> entries;
    bool listWorks = true;
    int dialResult = kDialOk;
    bool statusWorks = true;
    // The state answered to the n-th status query (counting from 1); connecting when unset.
    std::function<DialState(int)> stateFor;
    int statusQueries = 0;
    std::vector<std::string> dialed;
    std::vector<std::string> hungUp;
};

class CRecordingDialUpUi : public CDialUpUi {
public:
    void ShowWaitText(const std::string& text) override { events.push_back("wait:" + text); }
    void HideWaitText() override { events.push_back("hide"); }
    void ShowMessage(const std::string& text) override { events.push_back("message:" + text); }
    std::vector<std::string> events;
};

} // namespace tarnwick::testing
