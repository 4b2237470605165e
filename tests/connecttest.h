// The main window driven through 接続, 切断 and double-clicks against a scripted FTP server in
// passive mode. The login dialog is answered with fields the test gives; every status text
// and every wait text the window shows is recorded.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <string>

#include "app/maindlg.h"
#include "app/panelist.h"
#include "app/statusline.h"
#include "filecommandtest.h"
#include "settings/settings.h"
#include "support/gui/scripteddialogrunner.h"
#include "support/gui/scriptedprompt.h"
#include "support/scriptedserver.h"
#include "support/tempdir.h"
#include "ui/waitdlg.h"

namespace tarnwick::testing {

// The 257 answer to PWD.
inline std::string Pwd(const std::string& dir)
{
    return "257 \"" + dir + "\" is the current directory\r\n";
}

// The greeting and the login of anna with "secret".
inline void ServeLogin(CScriptSession& s)
{
    s.Send("220 Ready\r\n");
    s.ExpectReply("USER anna", "331 Password required\r\n");
    s.ExpectReply("PASS secret", "230 Logged in\r\n");
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
};

class ConnectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetSettingFlag("UsePASV", true));
        // A client that connected where it should not fails soon instead of waiting long.
        ASSERT_TRUE(SetSettingInt("TimeoutSeconds", 5));
        dlg = std::make_unique<CMainDlg>(prompt, runner);
        dlg->show();
        QObject::connect(Find<CStatusLine>("statusLine"), &QLineEdit::textChanged,
                         [this] { statuses << dlg->GetStatusText(); });
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
            return static_cast<int>(QDialog::Accepted);
        });
    }
    // 接続 with the dialog answered by `fields` (the server field defaults to the server).
    void Connect(LoginFields fields = {})
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
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        list->scrollToItem(found.front());
        const QPoint at = list->visualItemRect(found.front()).center();
        QSignalSpy spy(list, &QListWidget::itemDoubleClicked);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        ASSERT_EQ(spy.count(), 1) << "the double-click reached the list";
    }

    // Ends the window and the server; returns what went differently from the script.
    std::string Finish()
    {
        dlg.reset();
        std::string failures;
        if (server) {
            for (const std::string& failure : server->Finish()) {
                failures += failure + "\n";
            }
        }
        return failures;
    }

    void ExpectDisplay(bool connected)
    {
        SCOPED_TRACE(connected ? "connected display" : "disconnected display");
        EXPECT_EQ(Action("connectAction")->isEnabled(), !connected);
        EXPECT_EQ(Action("disconnectAction")->isEnabled(), connected);
        EXPECT_EQ(Find<QWidget>("downloadButton")->isEnabled(), connected);
        EXPECT_EQ(Find<QWidget>("uploadButton")->isEnabled(), connected);
    }

    template <class T> T* Find(const char* name)
    {
        T* found = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAction* Action(const char* name) { return Find<QAction>(name); }
    CPaneList* List(const char* name) { return Find<CPaneList>(name); }
    QString FieldText(const char* name) { return Find<QLineEdit>(name)->text(); }

    CTempStore store;
    CScriptedPrompt prompt;
    CScriptedDialogRunner runner;
    CWaitTextWatcher waits;
    std::unique_ptr<CScriptedFtpServer> server;
    // Goes before the server, so that a connection still open is dropped first.
    std::unique_ptr<CMainDlg> dlg;
    // Every status text written, in order.
    QStringList statuses;
};

} // namespace tarnwick::testing
