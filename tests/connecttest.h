// The main window driven through 接続, 切断 and double-clicks against a scripted FTP server in
// passive mode. The login dialog is answered with fields the test gives; every status text
// and every wait text the window shows is recorded.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <string>

#include "ui/widgets/panelist.h"
#include "filecommandtest.h"
#include "ui/widgets/waitdlg.h"

namespace tarnwick::testing {

// The 257 answer to PWD.
inline std::string Pwd(const std::string& dir)
{
    return "257 \"" + dir + "\" is the current directory\r\n";
}

// The greeting and the login of anna with "secret", and a server that knows no FEAT.
inline void ServeLogin(CScriptSession& s)
{
    s.Send("220 Ready\r\n");
    s.ExpectReply("USER anna", "331 Password required\r\n");
    s.ExpectReply("PASS secret", "230 Logged in\r\n");
    s.ExpectReply("FEAT", "502 Command not implemented\r\n");
}

// The login and a remote start directory: PWD says `home`, "CWD `startDir`" is answered
// `cwdReply`, and the PWD after it says `reported`.
inline void ServeStartDir(CScriptSession& s, const std::string& home, const std::string& startDir,
                          const std::string& cwdReply, const std::string& reported)
{
    ServeLogin(s);
    s.ExpectReply("PWD", Pwd(home));
    s.ExpectReply("CWD " + startDir, cwdReply);
    s.ExpectReply("PWD", Pwd(reported));
}

// Records the text of every wait box the window shows, as it is shown.
class CWaitTextWatcher : public QObject {
public:
    CWaitTextWatcher() { QCoreApplication::instance()->installEventFilter(this); }
    ~CWaitTextWatcher() override { QCoreApplication::instance()->removeEventFilter(this); }
    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == "waitDialog") {
            if (const auto* box = qobject_cast<CWaitDlg*>(watched)) {
                texts << box->GetText();
            }
        }
        return false;
    }
};

// The fields typed into the login dialog before OK.
struct LoginFields {
    std::string server{};
    std::string user = "anna";
    std::string password = "secret";
    std::string localDir{};
    std::string remoteDir{};
    // The index in the encryption list: plain FTP, as the scripted servers speak it.
    int encryption = 0;
};

// The window of the file commands' tests, shown, reached through 接続 instead.
class ConnectTest : public FileCommandTest {
protected:
    void SetUp() override
    {
        FileCommandTest::SetUp();
        dlg->show();
    }

    // A server that plays `script` on its first control connection.
    void Serve(Script script) { server = std::make_unique<CScriptedFtpServer>(std::move(script)); }
    // A server that takes no connection: whatever connects there gets no greeting.
    void ServeNothing()
    {
        server = std::make_unique<CScriptedFtpServer>([](CScriptSession&) {},
                                                      CScriptedFtpServer::Options{false});
    }
    [[nodiscard]] std::string ServerField() const
    {
        return "127.0.0.1:" + std::to_string(server->Port());
    }

    // The next login dialog is answered with `fields` and OK.
    void AnswerLogin(const LoginFields& fields)
    {
        runner.answers.push_back([fields](QDialog& dialog) {
            const auto set = [&dialog](const char* name, const std::string& text) {
                dialog.findChild<QLineEdit*>(name)->setText(QString::fromStdString(text));
            };
            set("serverEdit", fields.server);
            set("userEdit", fields.user);
            set("passwordEdit", fields.password);
            set("localInitDirEdit", fields.localDir);
            set("remoteInitDirEdit", fields.remoteDir);
            dialog.findChild<QComboBox*>("encryptionCombo")->setCurrentIndex(fields.encryption);
            return static_cast<int>(QDialog::Accepted);
        });
    }
    // 接続 with the dialog answered by `fields` (the server field defaults to the server).
    void RunConnect(LoginFields fields = {})
    {
        if (fields.server.empty() && server) {
            fields.server = ServerField();
        }
        AnswerLogin(fields);
        Action("connectAction")->trigger();
    }

    // Double-clicks the row `text` of `list`, as the user does.
    void DoubleClickRow(CPaneList* list, const QString& text)
    {
        const int found = list->FindRow(text);
        ASSERT_GE(found, 0) << text.toStdString();
        list->scrollTo(list->model()->index(found, 0));
        const QPoint at = list->RowRect(found).center();
        QSignalSpy spy(list, &QAbstractItemView::doubleClicked);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        ASSERT_EQ(spy.count(), 1) << "the double-click reached the list";
    }

    void ExpectDisplay(bool connected)
    {
        SCOPED_TRACE(connected ? "connected display" : "disconnected display");
        EXPECT_EQ(Action("connectAction")->isEnabled(), !connected);
        EXPECT_EQ(Action("disconnectAction")->isEnabled(), connected);
        EXPECT_EQ(Find<QWidget>("downloadButton")->isEnabled(), connected);
        EXPECT_EQ(Find<QWidget>("uploadButton")->isEnabled(), connected);
    }

    QAction* Action(const char* name) { return Find<QAction>(name); }
    QString FieldText(const char* name) { return Field(name)->text(); }

    CWaitTextWatcher waits;
};

} // namespace tarnwick::testing
