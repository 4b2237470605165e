# The Qt GUI: a static library of the widgets, shared by the executable and the GUI tests.
find_package(Qt6 REQUIRED COMPONENTS Widgets Network)

add_library(tarnwick_gui STATIC
    src/ui/seams/appicon.cpp
    src/ui/seams/desktoptrash.cpp
    src/ui/seams/guiclock.cpp
    src/ui/seams/messageboxprompt.cpp
    src/ui/seams/singleinstance.cpp
    src/ui/widgets/arrowbutton.cpp
    src/ui/widgets/conversationview.cpp
    src/ui/widgets/panearea.cpp
    src/ui/widgets/panedetails.cpp
    src/ui/widgets/panelist.cpp
    src/ui/widgets/panemodel.cpp
    src/ui/widgets/queuepanel.cpp
    src/ui/widgets/settingpagex.cpp
    src/ui/widgets/statusline.cpp
    src/ui/widgets/waitdlg.cpp
    src/gui/dialogs/attribdlg.cpp
    src/gui/dialogs/certificatedlg.cpp
    src/gui/dialogs/connectdlg.cpp
    src/gui/dialogs/createdirdlg.cpp
    src/gui/dialogs/dialogbuttons.cpp
    src/gui/dialogs/dialupavailability.cpp
    src/gui/dialogs/optionssheet.cpp
    src/gui/dialogs/renamedlg.cpp
    src/gui/dialogs/settingpage1.cpp
    src/gui/dialogs/settingpage2.cpp
    src/gui/dialogs/settingpage3.cpp
    src/app/window/attribcommand.cpp
    src/app/window/connectcommands.cpp
    src/app/window/createdeletecommands.cpp
    src/app/window/guidialupui.cpp
    src/app/window/maindlg.cpp
    src/app/window/maindlgcommands.cpp
    src/app/window/maindlglayout.cpp
    src/app/window/navigation.cpp
    src/app/window/queuecommands.cpp
    src/app/window/renamecommand.cpp
    src/app/window/settingscommands.cpp
    src/app/window/transfercommands.cpp
    src/app/window/windowsessionui.cpp
    src/app/clientapp.cpp
)
set_target_properties(tarnwick_gui PROPERTIES AUTOMOC ON)
target_link_libraries(tarnwick_gui PUBLIC tarnwick_core Qt6::Widgets Qt6::Network)

add_executable(tarnwick src/app/main.cpp)
target_link_libraries(tarnwick PRIVATE tarnwick_gui)
