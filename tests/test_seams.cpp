#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "support/gui/scripteddialogrunner.h"
#include "ui/seams/messageboxprompt.h"

using namespace tarnwick;
using namespace tarnwick::testing;

namespace {

QStringList ButtonTexts(const QMessageBox& box)
{
    QStringList texts;
    for (const QAbstractButton* button : box.buttons()) {
        texts << button->text();
    }
    texts.sort();
    return texts;
}

// A dialog that stores its field in accept(), as the settings dialogs do.
class CNameDlg : public QDialog {
public:
    CNameDlg()
    {
        field = new QLineEdit(this);
        field->setObjectName("nameEdit");
    }
    void accept() override
    {
        stored = field->text();
        ++accepts;
        QDialog::accept();
    }
    QLineEdit* field;
    QString stored;
    int accepts = 0;
};

} // namespace

TEST(MessageBoxPrompt, QuestionsHaveJapaneseYesAndNoMessagesOnlyOk)
{
    const auto box = CMessageBoxPrompt::MakeBox("2 個のファイルを削除しますか？", true);
    EXPECT_EQ(box->text(), "2 個のファイルを削除しますか？");
    EXPECT_EQ(ButtonTexts(*box), QStringList({"いいえ", "はい"}));
    EXPECT_EQ(box->defaultButton()->text(), "はい");
    EXPECT_EQ(box->escapeButton()->text(), "いいえ");

    const auto message = CMessageBoxPrompt::MakeBox("必要な情報が\n入力されていません", false);
    EXPECT_EQ(ButtonTexts(*message), QStringList({"OK"}));
}

TEST(ScriptedDialogRunner, AnswersFillTheDialogAndEndItOnce)
{
    CScriptedDialogRunner runner;
    runner.answers.push_back([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("nameEdit")->setText("Temp2");
        return static_cast<int>(QDialog::Accepted);
    });
    // An answer that presses OK itself is not accepted twice.
    runner.answers.push_back([](QDialog& dialog) {
        dialog.accept();
        return static_cast<int>(QDialog::Accepted);
    });

    CNameDlg first;
    EXPECT_EQ(runner.Run(first), QDialog::Accepted);
    EXPECT_EQ(first.stored, "Temp2");
    EXPECT_FALSE(first.isVisible());
    CNameDlg second;
    EXPECT_EQ(runner.Run(second), QDialog::Accepted);
    EXPECT_EQ(second.accepts, 1);
    CNameDlg unexpected;
    unexpected.setObjectName("unexpectedDialog");
    EXPECT_EQ(runner.Run(unexpected), QDialog::Rejected);
    EXPECT_EQ(runner.unexpected, 1);
    EXPECT_EQ(runner.ran.size(), 3);
    EXPECT_EQ(runner.ran.last(), "unexpectedDialog");
}
