// The main window connected to a scripted FTP server, for the file commands' tests. The
// server greets, plays the test's script (helpers below serve the usual exchanges in passive
// mode) and then expects the connection to close; the remote pane shows a listing given by the
// test and the local pane a scratch folder. Every status text the window writes is recorded.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QStringList>

#include <memory>
#include <ostream>
#include <string>

#include "app/window/maindlg.h"
#include "ui/widgets/panelist.h"
#include "ui/widgets/statusline.h"
#include "files/localpane.h"
#include "files/remotepane.h"
#include "session/storedsettings.h"
#include "settings/settings.h"
#include "support/gui/scripteddialogrunner.h"
#include "support/gui/scriptedprompt.h"
#include "support/scriptedserver.h"
#include "support/tempdir.h"

// Failure messages show texts, not UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{' << texts.join("\", \"").prepend('"').append('"').toStdString() << '}';
}

namespace tarnwick::testing {

// A listing line in the long layout ("-rw-r--r--" and "512" by default).
inline std::string FileLine(const std::string& name, const std::string& size = "512",
                            const std::string& permissions = "-rw-r--r--")
{
    return permissions + "   1 ftp      ftp      " + size + " Jan 01 12:00 " + name + "\r\n";
}
inline std::string DirLine(const std::string& name, const std::string& permissions = "drwxr-xr-x")
{
    return permissions + "   2 ftp      ftp      4096 Jan 01 12:00 " + name + "\r\n";
}

// One passive data exchange: type command, PASV, the transfer command, 150, the data moved by
// `move`, then 226.
template <typename Move>
void ServeData(CScriptSession& s, const std::string& type, const std::string& command, Move move)
{
    s.ExpectReply(type, "200 Type set\r\n");
    s.Expect("PASV");
    s.ReplyPasv();
    if (!s.Expect(command) || !s.AcceptData()) {
        return;
    }
    s.Send("150 Opening data connection\r\n");
    move();
    s.DataClose();
    s.Send("226 Transfer complete\r\n");
}
inline void ServeRetr(CScriptSession& s, const std::string& type, const std::string& path,
                      const std::string& data)
{
    ServeData(s, type, "RETR " + path, [&] { s.DataSend(data); });
}
inline void ServeStor(CScriptSession& s, const std::string& type, const std::string& name)
{
    ServeData(s, type, "STOR " + name, [&] { s.DataReceiveAll(); });
}
inline void ServeListing(CScriptSession& s, const std::string& type, const std::string& listing)
{
    ServeData(s, type, "NLST -alL", [&] { s.DataSend(listing); });
}

class FileCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SetSettingFlag("UsePASV", true));
        ASSERT_TRUE(SetSettingInt("TimeoutSeconds", 5));
        // Files move on the window's connection, which the scripted server serves alone.
        ASSERT_TRUE(SetSettingInt("QueueConnections", 0));
        // A store an earlier version wrote: テキスト mode (AutoTransferMode 0, no mode of its
        // own) and no overwrite question, which the scripts here are written for. A fresh
        // store's defaults have tests of their own.
        ASSERT_TRUE(SetSettingFlag("AutoTransferMode", false));
        ASSERT_TRUE(SetSettingFlag("CheckOverwrite", false));
        dlg = std::make_unique<CMainDlg>(prompt, runner);
        CStatusLine* status = Find<CStatusLine>("statusLine");
        ASSERT_NE(status, nullptr);
        QObject::connect(status, &QLineEdit::textChanged,
                         [this] { statuses << dlg->GetStatusText(); });
    }

    // Connects the window's engine to a server that plays `script`, shows `listing` as the
    // remote pane of `remoteDir` and `localDir` (the scratch folder when empty) in the local
    // pane, and switches to the connected display.
    void Connect(Script script, const std::string& listing = "",
                 const std::string& remoteDir = "/pub", const std::string& localDir = "")
    {
        server = std::make_unique<CScriptedFtpServer>([this, script](CScriptSession& s) {
            s.Send("220 Ready\r\n");
            script(s);
            if (!serverCloses) {
                s.ExpectClosed();
            }
        });
        // With the options the window's connect reads from the settings.
        ASSERT_TRUE(
            dlg->m_engine.Connect("127.0.0.1", server->Port(), CStoredSettings().ConnectOptions()));
        // The directories first: each pane remembers the folder it was listed from.
        dlg->m_strRemoteDir = remoteDir;
        dlg->m_strLocalDir = localDir.empty() ? local.Path() : localDir;
        FillRemotePane(*List("remoteList"), listing, dlg->m_remoteFiles);
        static_cast<void>(RefreshLocalPane(*List("localList"), dlg->m_strLocalDir));
        dlg->ShowTexts();
        dlg->SetConnectedDisplay();
        statuses.clear();
    }

    // Drops the connection; returns what went differently from the script (empty when
    // nothing did).
    std::string Finish()
    {
        dlg->m_engine.SetProgressSink(nullptr);
        dlg.reset();
        std::string failures;
        for (const std::string& failure : server->Finish()) {
            failures += failure + "\n";
        }
        return failures;
    }

    // Selects exactly the rows `texts`; the caret goes to the last of them.
    void Select(const char* listName, const QStringList& texts)
    {
        CPaneList* list = List(listName);
        list->clearSelection();
        for (const QString& text : texts) {
            const int found = list->FindRow(text);
            ASSERT_GE(found, 0) << text.toStdString();
            list->SetCurrentRow(found, QItemSelectionModel::Select);
        }
    }

    template <class T> T* Find(const char* name)
    {
        return dlg->findChild<T*>(QString::fromLatin1(name));
    }
    CPaneList* List(const char* name) { return Find<CPaneList>(name); }
    QLineEdit* Field(const char* name) { return Find<QLineEdit>(name); }

    CTempStore store;
    CTempDir local;
    // Deleted local files go to a trash of the test's own ($XDG_DATA_HOME/Trash).
    CTempDir dataHome;
    CScopedEnv dataHomeEnv{"XDG_DATA_HOME", dataHome.Path()};
    CScriptedPrompt prompt;
    CScriptedDialogRunner runner;
    std::unique_ptr<CMainDlg> dlg;
    std::unique_ptr<CScriptedFtpServer> server;
    // The script ends by closing the connection itself.
    bool serverCloses = false;
    // Every status text written since Connect, in order.
    QStringList statuses;
};

} // namespace tarnwick::testing
