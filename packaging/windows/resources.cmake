# The Windows resource of quorvel.exe and quorvel.com: the icon Explorer and
# the taskbar show (the build's scaled renditions packed into one .ico) and
# the version Explorer's Properties show. Sets QUORVEL_WINDOWS_RESOURCE.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QUORVEL_WINDOWS_ICON ${CMAKE_CURRENT_BINARY_DIR}/quorvel.ico)
add_custom_command(OUTPUT ${QUORVEL_WINDOWS_ICON}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/make-ico.py ${QUORVEL_WINDOWS_ICON} ${QUORVEL_ICON_FILES}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make-ico.py ${QUORVEL_ICON_FILES}
    COMMENT "Packing the window icon into quorvel.ico")

# A version without a third number (0.1) is 0.1.0 in the resource.
set(QUORVEL_VERSION_PATCH 0)
if(NOT PROJECT_VERSION_PATCH STREQUAL "")
    set(QUORVEL_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()
set(QUORVEL_WINDOWS_RESOURCE ${CMAKE_CURRENT_BINARY_DIR}/quorvel.rc)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quorvel.rc.in ${QUORVEL_WINDOWS_RESOURCE} @ONLY)
set_source_files_properties(${QUORVEL_WINDOWS_RESOURCE} PROPERTIES OBJECT_DEPENDS ${QUORVEL_WINDOWS_ICON})
