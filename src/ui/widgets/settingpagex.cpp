#include "ui/widgets/settingpagex.h"

#include <QGridLayout>
#include <QLabel>

#include "ui/seams/appicon.h"

namespace tarnwick {

namespace {

// The product line carries its own build number, which is not the one the main window's
// status line shows at start-up; both are shown as they stand.
const char* const kInfoText = "Tarnwick for PocketPC\n"
                              "Build 11\n"
                              "(basis on Tarnwick #45)\n"
                              "\n"
                              "Programmed by kestrum\n"
                              "Linux desktop edition by the Tarnwick team";

const char* const kMotto = "教えることは二度学ぶこと、\n"
                           "学ぶ人こそ よき師となる。";

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

CSettingPageX::CSettingPageX(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("infoPage"));
    setWindowTitle(QStringLiteral("Info."));

    auto* icon = MakeLabel(this, "infoIcon", QString());
    icon->setPixmap(AppIconPixmap(40));
    auto* text = MakeLabel(this, "infoText", QString::fromUtf8(kInfoText));
    auto* motto = MakeLabel(this, "infoMotto", QString::fromUtf8(kMotto));

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(24, 36, 24, 24);
    layout->setHorizontalSpacing(16);
    layout->setVerticalSpacing(24);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(text, 0, 1);
    layout->addWidget(motto, 1, 0, 1, 2);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(1, 1);
}

} // namespace tarnwick
