#include "gui/dialogs/attribdlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/strutil.h"
#include "files/remotefilelist.h"
#include "gui/dialogs/dialogbuttons.h"

namespace tarnwick {

namespace {

const char* const kGroupCaptions[3] = {"Owner", "Group", "All"};
const char* const kGroupNames[3] = {"owner", "group", "all"};
const char* const kBitCaptions[3] = {"呼出", "書込", "実行"};
const char* const kBitNames[3] = {"Read", "Write", "Exec"};
const char kBitLetters[3] = {'r', 'w', 'x'};

} // namespace

CAttribDlg::CAttribDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("attribDialog"));
    setWindowTitle(QStringLiteral("属性変更"));

    // Which entry the bits belong to: the commands act on the caret row, which need not be
    // the one the user looks at.
    m_pName = new QLabel(this);
    m_pName->setObjectName(QStringLiteral("attribName"));
    m_pName->setAccessibleName(QStringLiteral("対象"));
    m_pName->setTextFormat(Qt::PlainText);
    m_pPrompt = new QLabel(this);
    m_pPrompt->setObjectName(QStringLiteral("attribPrompt"));
    m_pPrompt->setAccessibleName(QStringLiteral("現在の属性"));
    m_pPrompt->setTextFormat(Qt::PlainText);

    auto* groups = new QHBoxLayout;
    for (int group = 0; group < 3; ++group) {
        auto* box = new QGroupBox(QString::fromUtf8(kGroupCaptions[group]), this);
        box->setObjectName(QString::fromLatin1(kGroupNames[group]) + "GroupBox");
        box->setAccessibleName(QString::fromUtf8(kGroupCaptions[group]));
        auto* column = new QVBoxLayout(box);
        for (int bit = 0; bit < 3; ++bit) {
            auto* check = new QCheckBox(QString::fromUtf8(kBitCaptions[bit]), box);
            check->setObjectName(QString::fromLatin1(kGroupNames[group]) + kBitNames[bit]);
            check->setAccessibleName(QString::fromUtf8(kGroupCaptions[group]) + QLatin1Char(' ') +
                                     QString::fromUtf8(kBitCaptions[bit]));
            column->addWidget(check);
            m_boxes[static_cast<std::size_t>(group * 3 + bit)] = check;
        }
        groups->addWidget(box);
    }

    // OK stands for the caption's OK button.
    QDialogButtonBox* buttons = MakeOkCancelButtons(*this, "attribButtons");
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("変更する"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("キャンセル"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pName);
    layout->addWidget(m_pPrompt);
    layout->addLayout(groups);
    layout->addWidget(buttons);
}

CAttribDlg::Bits CAttribDlg::ReadPermissionBits(std::string_view permissions)
{
    Bits bits{};
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const std::size_t at = i + 1;
        bits[i] = at < permissions.size() && permissions[at] == kBitLetters[i % 3];
    }
    return bits;
}

int CAttribDlg::ModeDigit(const Bits& bits, int group)
{
    const std::size_t first = static_cast<std::size_t>(group) * 3;
    return (bits[first] ? 4 : 0) + (bits[first + 1] ? 2 : 0) + (bits[first + 2] ? 1 : 0);
}

void CAttribDlg::Preset(const CRemoteFileList& list, int index)
{
    Preset(list, index, list.Permissions(index));
}

void CAttribDlg::Preset(const CRemoteFileList& list, int index, std::string_view permissions)
{
    const std::string displayName(list.DisplayName(index));
    const bool directory = displayName.size() >= 2 && displayName.front() == '<';
    m_pName->setText(
        (directory ? QStringLiteral("ディレクトリ：") : QStringLiteral("ファイル：")) +
        QString::fromStdString(directory ? displayName.substr(1, displayName.size() - 2)
                                         : displayName));
    const Bits bits = ReadPermissionBits(permissions);
    for (std::size_t i = 0; i < bits.size(); ++i) {
        m_boxes[i]->setChecked(bits[i]);
    }
    // Plain decimal: -r--r--r-- is 444 and ---------r is 4.
    const int mode = ModeDigit(bits, 0) * 100 + ModeDigit(bits, 1) * 10 + ModeDigit(bits, 2);
    m_pPrompt->setText(QString::fromStdString(FormatText("現在の属性：%d", mode)));
}

CAttribDlg::Bits CAttribDlg::CheckedBits() const
{
    Bits bits{};
    for (std::size_t i = 0; i < bits.size(); ++i) {
        bits[i] = m_boxes[i]->isChecked();
    }
    return bits;
}

std::string CAttribDlg::GetModeText() const
{
    const Bits bits = CheckedBits();
    std::string mode;
    for (int group = 0; group < 3; ++group) {
        mode += static_cast<char>('0' + ModeDigit(bits, group));
    }
    return mode;
}

} // namespace tarnwick
