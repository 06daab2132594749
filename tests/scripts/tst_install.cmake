# Installs the build into a fresh prefix and checks that the program, its command line, its reader of old Jet
# databases, its desktop entry and icon, and share/parvell/ with the default payment notice are in
# place.
#   cmake -DBUILD=<build dir> -DPREFIX=<empty folder> -P tst_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
include(GNUInstallDirs)
foreach(path ${CMAKE_INSTALL_BINDIR}/parvell
             ${CMAKE_INSTALL_BINDIR}/parvell-cli
             ${CMAKE_INSTALL_BINDIR}/parvell-jet-read
             ${CMAKE_INSTALL_DATADIR}/applications/parvell.desktop
             ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps/parvell.svg
             ${CMAKE_INSTALL_DATADIR}/parvell/report/缴费通知单.frf)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(READ ${PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/parvell.desktop desktop)
if(NOT desktop MATCHES "\nExec=parvell\n" OR NOT desktop MATCHES "\nIcon=parvell\n")
  message(FATAL_ERROR "the desktop entry does not start parvell with its icon")
endif()
file(REMOVE_RECURSE ${PREFIX})
