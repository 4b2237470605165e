# The Qt GUI: a static library of the widgets, shared by the executable and the GUI tests.
find_package(Qt6 REQUIRED COMPONENTS Widgets Network)

add_library(tarnwick_gui STATIC
    src/ui/appicon.cpp
    src/ui/messageboxprompt.cpp
    src/ui/settingpagex.cpp
    src/ui/waitdlg.cpp
    src/app/arrowbutton.cpp
    src/app/attribcommand.cpp
    src/app/clientapp.cpp
    src/app/connectcommands.cpp
    src/app/createdeletecommands.cpp
    src/app/desktoptrash.cpp
    src/app/guiclock.cpp
    src/app/guidialupui.cpp
    src/app/conversationview.cpp
    src/app/maindlg.cpp
    src/app/queuecommands.cpp
    src/app/queuepanel.cpp
    src/app/maindlgcommands.cpp
    src/app/maindlglayout.cpp
    src/app/navigation.cpp
    src/app/panearea.cpp
    src/app/panedetails.cpp
    src/app/panelist.cpp
    src/app/renamecommand.cpp
    src/app/panemodel.cpp
    src/app/settingscommands.cpp
    src/app/singleinstance.cpp
    src/app/statusline.cpp
    src/app/transfercommands.cpp
    src/app/windowsessionui.cpp
    src/gui/attribdlg.cpp
    src/gui/certificatedlg.cpp
    src/gui/createdirdlg.cpp
    src/gui/dialogbuttons.cpp
    src/gui/renamedlg.cpp
    src/gui/dialupavailability.cpp
    src/gui/connectdlg.cpp
    src/gui/optionssheet.cpp
    src/gui/settingpage1.cpp
    src/gui/settingpage2.cpp
    src/gui/settingpage3.cpp
)
set_target_properties(tarnwick_gui PROPERTIES AUTOMOC ON)
target_link_libraries(tarnwick_gui PUBLIC tarnwick_core Qt6::Widgets Qt6::Network)

add_executable(tarnwick src/app/main.cpp)
target_link_libraries(tarnwick PRIVATE tarnwick_gui)
