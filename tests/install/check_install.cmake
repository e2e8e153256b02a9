# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a fresh folder and checks what lands there; then
# validates the launcher and the AppStream data with the desktop's own tools.
#   cmake -DBUILD=<build dir> -DSTAGE=<folder> -P check_install.cmake
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${STAGE} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(f
    bin/norvane bin/norvane-decode
    share/applications/org.norvane.decoder.desktop
    share/metainfo/org.norvane.decoder.metainfo.xml
    share/icons/hicolor/scalable/apps/org.norvane.decoder.svg
    share/icons/hicolor/128x128/apps/org.norvane.decoder.png
    share/man/man1/norvane.1 share/man/man1/norvane-decode.1
    share/norvane/satellites/qb50.ksy share/doc/norvane/copyright)
  if(NOT EXISTS ${STAGE}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
find_program(APPSTREAMCLI appstreamcli REQUIRED)
execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${STAGE}/share/applications/org.norvane.decoder.desktop
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "desktop-file-validate failed")
endif()
execute_process(COMMAND ${APPSTREAMCLI} validate --no-net ${STAGE}/share/metainfo/org.norvane.decoder.metainfo.xml
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate failed")
endif()
file(READ ${STAGE}/share/metainfo/org.norvane.decoder.metainfo.xml metainfo)
string(FIND "${metainfo}" "<project_license>GPL-3.0-or-later</project_license>" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the AppStream data names no project license")
endif()
message(STATUS "installed tree complete, launcher and AppStream data valid")
