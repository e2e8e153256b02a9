# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package and checks its listing.
#   cmake -DBUILD=<build dir> -DOUT=<folder> -P check_package.cmake
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --config ${BUILD}/CPackConfig.cmake -B ${OUT}
  RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${log}")
endif()
file(GLOB debs ${OUT}/norvane_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one norvane_*.deb in ${OUT}, found: ${debs}")
endif()
execute_process(COMMAND dpkg-deb --contents ${debs} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
foreach(f ./usr/bin/norvane ./usr/bin/norvane-decode ./usr/share/applications/org.norvane.decoder.desktop
    ./usr/share/metainfo/org.norvane.decoder.metainfo.xml ./usr/share/man/man1/norvane-decode.1
    ./usr/share/doc/norvane/copyright)
  string(FIND "${listing}" "${f}\n" at)
  if(rc OR at EQUAL -1)
    message(FATAL_ERROR "${f} is not in the package:\n${listing}")
  endif()
endforeach()
execute_process(COMMAND dpkg-deb --field ${debs} Depends OUTPUT_VARIABLE depends)
string(FIND "${depends}" "libqt6widgets6" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the package does not depend on Qt: ${depends}")
endif()
message(STATUS "${debs}: complete")
