// Creating a directory and deleting the selected rows, on the side of the active pane. The
// local side reports no failure of a create (the refreshed pane shows it); the remote side
// reports each outcome.
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "app/maindlg.h"
#include "app/panelist.h"
#include "app/rowtext.h"
#include "core/strutil.h"
#include "files/gui/createdirdlg.h"
#include "files/localpane.h"
#include "files/pathjoin.h"
#include "files/remotepane.h"
#include "ui/dialogrunner.h"

namespace tarnwick {

void CMainDlg::CreateDirectoryCommand()
{
    if (m_nActivePane == 1) {
        CreateLocalDirectory();
    } else {
        CreateRemoteDirectory();
    }
}

void CMainDlg::DeleteCommand()
{
    if (m_nActivePane == 1) {
        DeleteLocalFiles();
    } else {
        DeleteRemoteFiles();
    }
}

std::string CMainDlg::AskDirectoryName(const char* prompt)
{
    CCreateDirDlg dialog(this);
    dialog.SetPrompt(QString::fromUtf8(prompt));
    if (m_runner.Run(dialog) != QDialog::Accepted) {
        return std::string();
    }
    return dialog.GetName();
}

void CMainDlg::CreateLocalDirectory()
{
    const std::string name =
        AskDirectoryName("ローカルの現在のディレクトリに\n以下の名のディレクトリを作成します");
    if (name.empty()) {
        return;
    }
    ReadFields();
    // An existing directory or a refused name shows in the refreshed pane, not in a message.
    std::error_code ignored;
    std::filesystem::create_directory(JoinPath(m_strLocalDir, name), ignored);
    static_cast<void>(RefreshLocalPane(*m_localList, m_strLocalDir));
    ShowTexts();
}

void CMainDlg::CreateRemoteDirectory()
{
    const std::string name =
        AskDirectoryName("リモートの現在のディレクトリに\n以下の名のディレクトリを作成します");
    if (name.empty()) {
        return;
    }
    ReadFields();
    // The name as typed, relative to the server's current directory.
    if (!m_engine.MakeDir(name)) {
        SetStatusText(QStringLiteral("ディレクトリ作成に失敗しました"));
        return;
    }
    RefreshRemotePane(*m_remoteList, m_strRemoteDir, m_engine, m_remoteFiles);
    ShowTexts();
}

void CMainDlg::DeleteLocalFiles()
{
    ReadFields();
    const std::vector<std::string> rows = SelectedRowTexts(*m_localList);
    if (!AskSelectedCount("%d 個のファイルを削除しますか？", rows.size())) {
        return;
    }
    for (const std::string& row : rows) {
        if (row == "..") {
            continue;
        }
        if (IsDirectoryRow(row)) {
            // Only an empty directory goes; one that holds anything stays, silently.
            static_cast<void>(::rmdir(JoinPath(m_strLocalDir, DirectoryRowName(row)).c_str()));
            continue;
        }
        const std::string path = JoinPath(m_strLocalDir, row);
        // A file that could not be deleted is said to be so, not claimed deleted.
        const bool deleted = ::unlink(path.c_str()) == 0;
        SetStatusText(FormatText(deleted ? "%s を削除しました" : "%s の削除に失敗しました", path));
    }
    static_cast<void>(RefreshLocalPane(*m_localList, m_strLocalDir));
    SetStatusText(QStringLiteral("削除が完了しました"));
    ShowTexts();
}

void CMainDlg::DeleteRemoteFiles()
{
    ReadFields();
    const std::vector<std::string> rows = SelectedRowTexts(*m_remoteList);
    if (!AskSelectedCount("%d 個のファイルまたは\nディレクトリを削除しますか？", rows.size())) {
        return;
    }
    for (const std::string& row : rows) {
        if (row == "..") {
            continue;
        }
        if (IsDirectoryRow(row)) {
            // The bare name, relative to the server's current directory.
            const std::string name = DirectoryRowName(row);
            SetStatusText(m_engine.RemoveDir(name)
                              ? FormatText("%s の削除が正常に終了しました", name)
                              : std::string("ディレクトリ削除に失敗しました"));
            continue;
        }
        const std::string path = JoinPath(m_strRemoteDir, row);
        SetStatusText(m_engine.DeleteRemoteFile(path)
                          ? FormatText("%s の削除が正常に終了しました", path)
                          : std::string("削除に失敗しました"));
    }
    RefreshRemotePane(*m_remoteList, m_strRemoteDir, m_engine, m_remoteFiles);
    SetStatusText(QStringLiteral("削除が完了しました"));
    ShowTexts();
}

} // namespace tarnwick
