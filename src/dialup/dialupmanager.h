// DialUp and HangUp: bring a saved network connection up before an FTP connection and down
// after it, with a wait text while it happens and a message when it fails. Polls the state
// about every 200 ms; dialling gives up after 90 seconds and the hang-up wait after 30.
#pragma once

#include <cstdint>
#include <string>

#include "dialup/dialupbackend.h"

namespace tarnwick {

// Time for the manager; tests advance it without waiting.
class CClock {
public:
    virtual ~CClock() = default;
    virtual std::int64_t NowMs() = 0;
    // Waits about `ms` milliseconds (the GUI keeps its window painted meanwhile).
    virtual void SleepMs(int ms) = 0;
};

class CSteadyClock : public CClock {
public:
    std::int64_t NowMs() override;
    void SleepMs(int ms) override;
};

// How the manager speaks to the user.
class CDialUpUi {
public:
    virtual ~CDialUpUi() = default;
    // Shows a wait text that stays until HideWaitText.
    virtual void ShowWaitText(const std::string& text) = 0;
    virtual void HideWaitText() = 0;
    // A message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
};

class CDialUpManager {
public:
    static constexpr std::int64_t kDialLimitMs = 90000;
    static constexpr std::int64_t kHangUpLimitMs = 30000;
    static constexpr int kPollIntervalMs = 200;

    CDialUpManager(CDialUpBackend& backend, CDialUpUi& ui, CClock& clock)
        : m_backend(backend), m_ui(ui), m_clock(clock)
    {
    }

    // Dials the saved entry `name` (the AutoDialUpName setting). True when the FTP connection
    // should be tried: the connection is up, or its state cannot be learnt. False after a
    // message: no saved connection has that name
    // ("接続に失敗しました\n保存された接続が見つかりません (nmcli connection show)"), it will not
    // start ("接続に失敗しました\n接続を開始できません (nmcli connection up)"), or it did not
    // connect within 90 seconds ("接続タイムアウトです"). No failure hangs up.
    bool DialUp(const std::string& name);
    // Hangs the connection up and waits (at most 30 seconds) until it is down. Reports
    // nothing; with no live connection it ends after showing its wait text.
    void HangUp();

    [[nodiscard]] const DialHandle& GetHandle() const { return m_hRasConn; }

private:
    CDialUpBackend& m_backend;
    CDialUpUi& m_ui;
    CClock& m_clock;
    DialHandle m_hRasConn;
};

} // namespace tarnwick
