# GUI tests: offscreen Qt widgets driven through their object names.
if(NOT TARNWICK_GUI_WIP)
    return()
endif()
