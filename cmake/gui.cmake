# The Qt GUI: a static library of the widgets, shared by the executable and the GUI tests.
if(NOT TARNWICK_GUI_WIP)
    return()
endif()
