// CAttribDlg: the nine permission bits of one remote entry as check boxes in three groups
// (owner, group, others), each read, write and execute. It is preset from the entry's
// permission text of the last listing and gives back the three-digit mode for SITE CHMOD.
#pragma once

#include <QDialog>

#include <array>
#include <string>
#include <string_view>

class QCheckBox;
class QLabel;

namespace tarnwick {

class CRemoteFileList;

class CAttribDlg : public QDialog {
    Q_OBJECT

public:
    // Owner read, write, execute, then group, then others.
    using Bits = std::array<bool, 9>;

    explicit CAttribDlg(QWidget* parent = nullptr);

    // Sets the boxes and the prompt "現在の属性：%d" from the permissions of entry `index`, and
    // names the entry ("ファイル：notes.txt", "ディレクトリ：src").
    void Preset(const CRemoteFileList& list, int index);
    // The same with `permissions` ("-rw-r--r--") learnt elsewhere than from the listing.
    void Preset(const CRemoteFileList& list, int index, std::string_view permissions);
    // "%d%d%d" from the boxes as they are now: always three digits, 000 to 777.
    [[nodiscard]] std::string GetModeText() const;

    // Bit i is set when character i + 1 of `permissions` is exactly 'r', 'w' or 'x' for a
    // read, write or execute bit. Anything else ('-', 's', 't', 'S', 'T') leaves it clear, and
    // so does a position past the end of a short text.
    [[nodiscard]] static Bits ReadPermissionBits(std::string_view permissions);
    // The digit (0 to 7) of group 0 (owner), 1 (group) or 2 (others).
    [[nodiscard]] static int ModeDigit(const Bits& bits, int group);

private:
    [[nodiscard]] Bits CheckedBits() const;

    QLabel* m_pName = nullptr;
    QLabel* m_pPrompt = nullptr;
    std::array<QCheckBox*, 9> m_boxes{};
};

} // namespace tarnwick
