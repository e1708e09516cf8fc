# Resources in the build folder, and the install rules.
#
# A program finds its resources at "../share/brimvale/resources/" from its own folder. Every
# executable of a build lies one folder below the build folder, so the build keeps a copy of
# resources/ at share/brimvale/resources/ there; an install puts the program in bin/ and the
# resources at the same place under the prefix. Neither refers back to the source folder.
# Some resources exist only in the copy: they are generated at build time (docs/resources.md).

set(bv_resource_source ${PROJECT_SOURCE_DIR}/resources)
set(bv_resource_copy ${PROJECT_BINARY_DIR}/share/brimvale/resources)
file(GLOB_RECURSE bv_resource_files CONFIGURE_DEPENDS RELATIVE ${bv_resource_source}
     ${bv_resource_source}/*)
set(bv_resource_copies)
foreach(file IN LISTS bv_resource_files)
  add_custom_command(OUTPUT ${bv_resource_copy}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${bv_resource_source}/${file} ${bv_resource_copy}/${file}
    DEPENDS ${bv_resource_source}/${file}
    VERBATIM)
  list(APPEND bv_resource_copies ${bv_resource_copy}/${file})
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/GeneratedResources.cmake)
add_custom_target(bv_resources ALL DEPENDS ${bv_resource_copies})
# Everything that can read resources links the engine.
add_dependencies(engine bv_resources)

# The install goes under /usr/local as root; for anyone else, that default (which they could
# not write to) becomes ~/.local. Runs before the rules below, which read the prefix as they run.
install(CODE [[
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr/local" AND "$ENV{DESTDIR}" STREQUAL "")
    execute_process(COMMAND id -u OUTPUT_VARIABLE bv_uid OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT bv_uid STREQUAL "0" AND NOT "$ENV{HOME}" STREQUAL "")
      set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local")
      message(STATUS "Not root: installing under ${CMAKE_INSTALL_PREFIX}")
    endif()
  endif()
]])

install(TARGETS brimvale RUNTIME DESTINATION bin)
# The build's copy, so that what the build generates into it is installed too.
install(DIRECTORY ${bv_resource_copy}/ DESTINATION share/brimvale/resources)
install(FILES ${PROJECT_SOURCE_DIR}/proj.linux/brimvale.png
        DESTINATION share/icons/hicolor/256x256/apps)
# The desktop entry names the installed program by its full path, known only at install time.
install(CODE "set(bv_desktop_template \"${PROJECT_SOURCE_DIR}/proj.linux/brimvale.desktop.in\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstallDesktopEntry.cmake)
