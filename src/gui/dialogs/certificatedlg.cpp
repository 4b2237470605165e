#include "gui/dialogs/certificatedlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/reasontext.h"

namespace tarnwick {

namespace {

QLabel* SelectableLabel(const std::string& text, QWidget* parent)
{
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

CCertificateDlg::CCertificateDlg(const CertificateInfo& certificate, const std::string& server,
                                 QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("certificateDialog"));
    setWindowTitle(QStringLiteral("サーバー証明書の確認"));

    auto* headline = new QLabel(this);
    headline->setObjectName(QStringLiteral("certificateHeadline"));
    headline->setWordWrap(true);
    const QString where = QString::fromStdString(server);
    if (certificate.pinMismatch) {
        // Either the server was given a new certificate or someone sits between: the user
        // must not take this for the usual question.
        headline->setText(
            QStringLiteral("<b>警告: %1 の証明書が、以前に信頼した証明書と異なります。</b><br>"
                           "第三者が通信を傍受しようとしている可能性があります。"
                           "サーバーの管理者に確認できないときは拒否してください。")
                .arg(where.toHtmlEscaped()));
        headline->setStyleSheet(QStringLiteral("color: #b00000;"));
    } else {
        headline->setText(QStringLiteral("%1 の証明書を確認できません。この証明書を信頼しますか？")
                              .arg(where.toHtmlEscaped()));
    }

    auto* form = new QFormLayout;
    // In Japanese; the check's own words in the tooltip.
    auto* problem = SelectableLabel(CertificateProblemText(certificate.problem), this);
    problem->setObjectName(QStringLiteral("certificateProblem"));
    problem->setToolTip(QString::fromStdString(certificate.problem));
    form->addRow(QStringLiteral("問題:"), problem);
    form->addRow(QStringLiteral("発行先:"), SelectableLabel(certificate.subject, this));
    form->addRow(QStringLiteral("発行者:"), SelectableLabel(certificate.issuer, this));
    form->addRow(QStringLiteral("有効期間:"),
                 SelectableLabel(certificate.notBefore + " から " + certificate.notAfter, this));
    auto* fingerprint = SelectableLabel(certificate.sha256, this);
    fingerprint->setObjectName(QStringLiteral("certificateFingerprint"));
    form->addRow(QStringLiteral("SHA-256:"), fingerprint);

    auto* box = new QDialogButtonBox(this);
    auto* refuse = box->addButton(QStringLiteral("拒否"), QDialogButtonBox::RejectRole);
    refuse->setObjectName(QStringLiteral("refuseButton"));
    auto* once = box->addButton(QStringLiteral("今回のみ信頼"), QDialogButtonBox::AcceptRole);
    once->setObjectName(QStringLiteral("trustOnceButton"));
    auto* always = box->addButton(QStringLiteral("常に信頼"), QDialogButtonBox::AcceptRole);
    always->setObjectName(QStringLiteral("trustAlwaysButton"));
    for (QPushButton* button : {refuse, once, always}) {
        button->setAutoDefault(false);
    }
    refuse->setDefault(true);
    connect(refuse, &QPushButton::clicked, this, [this] {
        m_answer = CertificateAnswer::Refuse;
        reject();
    });
    connect(once, &QPushButton::clicked, this, [this] {
        m_answer = CertificateAnswer::TrustOnce;
        accept();
    });
    connect(always, &QPushButton::clicked, this, [this] {
        m_answer = CertificateAnswer::TrustAlways;
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headline);
    layout->addLayout(form);
    layout->addWidget(box);
    refuse->setFocus();
}

} // namespace tarnwick
