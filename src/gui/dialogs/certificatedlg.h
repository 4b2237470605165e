// CCertificateDlg: a server's certificate that the check did not pass, shown whole (subject,
// issuer, validity, SHA-256 fingerprint, why it failed) with three ways on: refuse, trust it
// for this connection, or trust it always for this server. A certificate other than the one
// trusted before is announced loudly, and refusing is the default button.
#pragma once

#include <QDialog>

#include <string>

#include "ftp/transport/certificateinfo.h"
#include "session/sessionui.h"

namespace tarnwick {

class CCertificateDlg : public QDialog {
    Q_OBJECT

public:
    CCertificateDlg(const CertificateInfo& certificate, const std::string& server,
                    QWidget* parent = nullptr);

    // Refuse unless one of the trust buttons was pressed.
    [[nodiscard]] CertificateAnswer GetAnswer() const { return m_answer; }

private:
    CertificateAnswer m_answer = CertificateAnswer::Refuse;
};

} // namespace tarnwick
