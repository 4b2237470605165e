// Tarnwick, the desktop FTP client.
#include <clocale>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/clientapp.h"
#include "ui/seams/appicon.h"
#include "ui/seams/execdialogrunner.h"
#include "ui/seams/messageboxprompt.h"

int main(int argc, char* argv[])
{
    // The server encoding defaults to the locale's charset.
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    QApplication::setWindowIcon(tarnwick::AppIcon());
    // The installed desktop entry, so docks and task bars show its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kestrum.Tarnwick"));

    // The interface is Japanese whatever the locale, Qt's own texts included when its
    // translation is installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    tarnwick::CMessageBoxPrompt prompt;
    tarnwick::CExecDialogRunner runner;
    tarnwick::CClientApp theApp(prompt, runner);
    return theApp.InitInstance();
}
