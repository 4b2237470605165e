#include "dialup/dialupmanager.h"

#include <chrono>
#include <thread>

#include "core/strutil.h"

namespace tarnwick {

std::int64_t CSteadyClock::NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CSteadyClock::SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool CDialUpManager::DialUp(const std::string& name)
{
    if (name.empty() || m_backend.GetEntryDialParams(name) != kDialOk) {
        m_ui.ShowMessage("接続に失敗しました\n保存された接続が見つかりません (nmcli connection show)");
        return false;
    }
    m_ui.ShowWaitText(LeftChars(name, 10) + "..に接続中です\nしばらくお待ちください...");
    const int dialed = m_backend.Dial(name, m_hRasConn);
    if (dialed != kDialOk && dialed != kDialPortAlreadyOpen) {
        m_ui.HideWaitText();
        m_ui.ShowMessage("接続に失敗しました\n接続を開始できません (nmcli connection up)");
        return false;
    }
    const std::int64_t start = m_clock.NowMs();
    for (;;) {
        DialState state = DialState::Connecting;
        // A state that cannot be learnt counts as connected: the FTP connection is tried.
        if (m_backend.GetConnectStatus(m_hRasConn, state) != 0 || state == DialState::Connected) {
            m_ui.HideWaitText();
            return true;
        }
        if (m_clock.NowMs() >= start + kDialLimitMs) {
            m_ui.HideWaitText();
            m_ui.ShowMessage("接続タイムアウトです");
            return false;
        }
        m_clock.SleepMs(kPollIntervalMs);
    }
}

void CDialUpManager::HangUp()
{
    m_ui.ShowWaitText("切断処理中です。\nしばらくお待ちください...");
    m_backend.HangUp(m_hRasConn);
    const std::int64_t start = m_clock.NowMs();
    for (;;) {
        DialState state = DialState::Connected;
        if (m_backend.GetConnectStatus(m_hRasConn, state) != 0 ||
            state == DialState::Disconnected || m_clock.NowMs() >= start + kHangUpLimitMs) {
            break;
        }
        m_clock.SleepMs(kPollIntervalMs);
    }
    m_ui.HideWaitText();
}

} // namespace tarnwick
