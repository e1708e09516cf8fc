# Install step: writes the desktop entry from bv_desktop_template with the program's full path
# under the prefix in use (quoted when it holds a space).
set(bv_program "${CMAKE_INSTALL_PREFIX}/bin/brimvale")
if(bv_program MATCHES " ")
  set(bv_program "\"${bv_program}\"")
endif()
file(READ "${bv_desktop_template}" bv_entry)
string(CONFIGURE "${bv_entry}" bv_entry @ONLY)
set(bv_entry_file "${CMAKE_INSTALL_PREFIX}/share/applications/brimvale.desktop")
message(STATUS "Installing: $ENV{DESTDIR}${bv_entry_file}")
file(WRITE "$ENV{DESTDIR}${bv_entry_file}" "${bv_entry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${bv_entry_file}")
