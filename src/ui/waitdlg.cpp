#include "ui/waitdlg.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tarnwick {

CWaitDlg::CWaitDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("waitDialog"));
    setWindowTitle(QStringLiteral("しばらくお待ちください..."));
    setModal(false);
    // Showing it must not take the focus from the pane the user worked in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("waitText"));
    m_pText->setAlignment(Qt::AlignCenter);
    m_pText->setTextFormat(Qt::PlainText);
    m_pCancel = new QPushButton(QStringLiteral("中止"), this);
    m_pCancel->setObjectName(QStringLiteral("cancelButton"));
    m_pCancel->setAccessibleName(QStringLiteral("中止"));
    m_pCancel->setAutoDefault(false);
    m_pCancel->hide();
    connect(m_pCancel, &QPushButton::clicked, this, [this] {
        m_pCancel->setEnabled(false); // pressed once: the work is stopping
        emit cancelRequested();
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(m_pText);
    layout->addWidget(m_pCancel, 0, Qt::AlignHCenter);
    setMinimumWidth(240);
}

void CWaitDlg::SetCancellable(bool cancellable)
{
    m_pCancel->setVisible(cancellable);
    m_pCancel->setEnabled(true);
}

void CWaitDlg::reject()
{
    if (m_pCancel->isVisible() && m_pCancel->isEnabled()) {
        m_pCancel->click();
    }
}

void CWaitDlg::ShowNow()
{
    m_pText->setText(m_strText);
    adjustSize();
    if (!isVisible()) {
        Centre();
        show();
    }
    raise();
    // The caller blocks next; let the window system map the box and paint it now.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

void CWaitDlg::Centre()
{
    QRect area;
    if (QWidget* owner = parentWidget()) {
        area = owner->window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        move(area.center() - rect().center());
    }
}

void CWaitDlg::Begin(const std::string& text)
{
    SetText(QString::fromStdString(text));
    ShowNow();
}

void CWaitDlg::Update(const std::string& text, std::int64_t /*done*/, std::int64_t /*total*/)
{
    SetText(QString::fromStdString(text));
    ShowNow();
}

void CWaitDlg::End()
{
    hide();
}

} // namespace tarnwick
