#include "ui/seams/messageboxprompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace tarnwick {

std::unique_ptr<QMessageBox> CMessageBoxPrompt::MakeBox(const QString& text, bool question,
                                                        bool caution)
{
    auto box = std::make_unique<QMessageBox>(QApplication::activeWindow());
    box->setWindowTitle(QStringLiteral("Tarnwick"));
    box->setText(text);
    if (question) {
        box->setIcon(caution ? QMessageBox::Warning : QMessageBox::Question);
        QPushButton* yes = box->addButton(QStringLiteral("はい"), QMessageBox::YesRole);
        QPushButton* no = box->addButton(QStringLiteral("いいえ"), QMessageBox::NoRole);
        box->setDefaultButton(caution ? no : yes);
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

bool CMessageBoxPrompt::AskCaution(const QString& text)
{
    const std::unique_ptr<QMessageBox> box = MakeBox(text, true, true);
    box->exec();
    return box->clickedButton() != nullptr && box->clickedButton() != box->escapeButton();
}

int CMessageBoxPrompt::Choose(const QString& text, const QStringList& buttons, bool* applyToAll)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("Tarnwick"));
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    QList<QPushButton*> pressed;
    for (const QString& caption : buttons) {
        pressed << box.addButton(caption, QMessageBox::ActionRole);
    }
    if (!pressed.isEmpty()) {
        box.setDefaultButton(pressed.front());
        box.setEscapeButton(pressed.size() > 1 ? pressed[1] : pressed.front());
    }
    auto* all = applyToAll != nullptr ? new QCheckBox(QStringLiteral("すべてに適用"), &box) : nullptr;
    box.setCheckBox(all);
    box.exec();
    if (all != nullptr) {
        *applyToAll = all->isChecked();
    }
    const auto index = pressed.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return index < 0 ? std::min(1, static_cast<int>(pressed.size()) - 1) : static_cast<int>(index);
}

} // namespace tarnwick
