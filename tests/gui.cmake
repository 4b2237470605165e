# GUI tests: offscreen Qt widgets driven through their object names.
find_package(Qt6 REQUIRED COMPONENTS Test)

add_library(tarnwick_guitestsupport STATIC
    support/gui/scripteddialogrunner.cpp
)
target_include_directories(tarnwick_guitestsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnwick_guitestsupport PUBLIC tarnwick_gui Qt6::Test)

# GUI test programs bring their own main() (gui_main.cpp), which picks the offscreen platform.
function(tarnwick_add_gui_test name)
    tarnwick_add_test(${name} gui gui_main.cpp ${ARGN})
    target_link_libraries(${name} PRIVATE tarnwick_guitestsupport)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()

tarnwick_add_gui_test(test_maindlg
    test_maindlg.cpp
)
tarnwick_add_gui_test(test_uiparts
    test_waitdlg.cpp
    test_seams.cpp
    test_queuepanel.cpp
)
tarnwick_add_gui_test(test_filecommands
    test_transfercommands.cpp
    test_createdelete.cpp
    test_rename.cpp
    test_attrib.cpp
)
tarnwick_add_gui_test(test_options
    test_options.cpp
    test_transfermodemenu.cpp
)
tarnwick_add_gui_test(test_connect
    test_connectdlg.cpp
    test_connect.cpp
    test_navigation.cpp
)
tarnwick_add_gui_test(test_window
    test_windowlayout.cpp
    test_keyboard.cpp
)
tarnwick_add_gui_test(test_clientapp
    test_clientapp.cpp
)
# The single-instance tests start the real program.
add_dependencies(test_clientapp tarnwick)
target_compile_definitions(test_clientapp PRIVATE TARNWICK_EXE="$<TARGET_FILE:tarnwick>")
# The window against a real vsftpd on loopback (started by the test; root only).
tarnwick_add_test(test_endtoend integration gui_main.cpp test_endtoend.cpp)
target_link_libraries(test_endtoend PRIVATE tarnwick_guitestsupport)
set_target_properties(test_endtoend PROPERTIES AUTOMOC ON)
