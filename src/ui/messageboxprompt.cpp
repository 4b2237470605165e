#include "ui/messageboxprompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tarnwick {

std::unique_ptr<QMessageBox> CMessageBoxPrompt::MakeBox(const QString& text, bool question)
{
    auto box = std::make_unique<QMessageBox>(QApplication::activeWindow());
    box->setWindowTitle(QStringLiteral("Tarnwick"));
    box->setText(text);
    if (question) {
        box->setIcon(QMessageBox::Question);
        QPushButton* yes = box->addButton(QStringLiteral("はい"), QMessageBox::YesRole);
        QPushButton* no = box->addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
        box->setDefaultButton(yes);
        box->setEscapeButton(no);
    } else {
        box->setIcon(QMessageBox::Information);
        box->setDefaultButton(box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    }
    return box;
}

void CMessageBoxPrompt::Message(const QString& text)
{
    MakeBox(text, false)->exec();
}

bool CMessageBoxPrompt::Ask(const QString& text)
{
    const std::unique_ptr<QMessageBox> box = MakeBox(text, true);
    box->exec();
    // Closing the box any other way answers no.
    return box->clickedButton() == box->defaultButton();
}

} // namespace tarnwick
