// Download and upload of the selected files, one after another, each with its own question
// before overwriting, its transfer type and its line in the status line.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "app/maindlg.h"
#include "app/panelist.h"
#include "app/rowtext.h"
#include "core/strutil.h"
#include "files/localpane.h"
#include "files/pathjoin.h"
#include "files/remotepane.h"
#include "settings/settings.h"
#include "settings/transfermode.h"
#include "ui/prompt.h"

namespace tarnwick {

namespace {

const char* const kOverwriteQuestion = "そのファイルはすでに存在します。\n上書きしますか？";

// A local file exists when it opens for reading.
bool LocalFileOpens(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

// The length of a local file; 0 when it cannot be measured (a directory, a vanished file).
std::int64_t LocalFileLength(const std::string& path)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

} // namespace

std::vector<std::string> CMainDlg::SelectedRowTexts(const CPaneList& list)
{
    std::vector<std::string> rows;
    for (int row = 0; row < list.count(); ++row) {
        if (list.item(row)->isSelected()) {
            rows.push_back(list.item(row)->text().toStdString());
        }
    }
    return rows;
}

bool CMainDlg::AskSelectedCount(const char* question, std::size_t count)
{
    return count > 0 && m_prompt.Ask(QString::fromStdString(
                            FormatText(question, static_cast<std::int64_t>(count))));
}

void CMainDlg::ChooseTransferType(const std::string& name)
{
    if (!GetSettingFlag("AutoTransferMode")) {
        return; // the type stays as the transfer-mode menu left it
    }
    if (IsTextModeFile(name)) {
        m_engine.SetTextType();
    } else {
        m_engine.SetBinaryType();
    }
}

void CMainDlg::DownloadSelected()
{
    ReadFields();
    const std::vector<std::string> rows = SelectedRowTexts(*m_remoteList);
    if (!AskSelectedCount("%d 個のファイルをダウンロードしますか？", rows.size())) {
        return;
    }
    for (const std::string& row : rows) {
        if (IsDirectoryRow(row)) {
            continue;
        }
        // A name such as "..", "../x" or "a/b" from the server would write outside the local
        // directory: it is never joined into a local path.
        if (!IsSafeLocalName(row)) {
            SetStatusText(QStringLiteral("ダウンロードに失敗しました"));
            continue;
        }
        const std::string localPath = JoinPath(m_strLocalDir, row);
        if (GetSettingFlag("CheckOverwrite") && LocalFileOpens(localPath) &&
            !m_prompt.Ask(QString::fromUtf8(kOverwriteQuestion))) {
            continue;
        }
        const int index = m_remoteFiles.FindByDisplayName(row);
        const std::string remotePath = JoinPath(m_strRemoteDir, row);
        m_engine.SetFileSize(index < 0 ? 0 : ParseLeadingInt(m_remoteFiles.At(index).sizeText));
        ChooseTransferType(localPath);
        if (m_engine.Download(remotePath, localPath)) {
            SetStatusText(FormatText("%s のダウンロードが正常に終了しました", remotePath));
        } else {
            SetStatusText(QStringLiteral("ダウンロードに失敗しました"));
        }
    }
    static_cast<void>(RefreshLocalPane(*m_localList, m_strLocalDir));
    SetStatusText(QStringLiteral("ダウンロードが完了しました"));
    ShowTexts();
}

void CMainDlg::UploadSelected()
{
    ReadFields();
    const std::vector<std::string> rows = SelectedRowTexts(*m_localList);
    if (!AskSelectedCount("%d 個のファイルをアップロードしますか？", rows.size())) {
        return;
    }
    for (const std::string& row : rows) {
        if (IsDirectoryRow(row)) {
            continue;
        }
        const std::string localPath = JoinPath(m_strLocalDir, row);
        // The list of the last remote refresh answers; a directory's entry is bracketed and
        // case matters, so neither asks.
        if (GetSettingFlag("CheckOverwrite") && m_remoteFiles.FindByDisplayName(row) >= 0 &&
            !m_prompt.Ask(QString::fromUtf8(kOverwriteQuestion))) {
            continue;
        }
        ChooseTransferType(row);
        m_engine.SetFileSize(LocalFileLength(localPath));
        if (m_engine.Upload(localPath, row)) {
            SetStatusText(FormatText("%s のアップロードが正常に終了しました", localPath));
        } else {
            SetStatusText(FormatText("%s のアップロードに失敗しました\r\n", row));
        }
    }
    RefreshRemotePane(*m_remoteList, m_strRemoteDir, m_engine, m_remoteFiles);
    SetStatusText(QStringLiteral("アップロードが完了しました"));
    ShowTexts();
}

} // namespace tarnwick
