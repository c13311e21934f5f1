# The Debian package: `cmake --build build --target package` writes
# vq250-loader_<version>_<arch>.deb into the build folder.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Each program with the line help2man puts under NAME.
set(VQ250_PACKAGED_PROGRAMS
  "vq250|load background sounds into a VQ250 sound device over a serial line"
  "vq250-demo|the VQ250 Loader window on a built-in VQ250 emulator"
  "vq250-load|load one sound into a VQ250 from the command line"
  "vq250-check|check sound files the way the VQ250 Loader opens them"
  "vq250-convert|convert any sound into the one format the VQ250 Loader opens")

set(generated ${PROJECT_BINARY_DIR}/packaging)
set(doc ${CMAKE_INSTALL_DATADIR}/doc/vq250-loader)
set(programs_at_build)
foreach(entry IN LISTS VQ250_PACKAGED_PROGRAMS)
  string(REGEX REPLACE "\\|.*" "" program "${entry}")
  string(REGEX MATCH "[|].*" summary "${entry}")
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  list(APPEND programs_at_build "$<TARGET_FILE:${program}>${summary}")
endforeach()

find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
  set(HELP2MAN help2man) # the package step fails and says so
endif()
string(REPLACE ";" "^" programs_arg "${programs_at_build}")
install(CODE "execute_process(COMMAND \${CMAKE_COMMAND} -DHELP2MAN=${HELP2MAN}
  -DOUT=${generated} \"-DPROGRAMS=${programs_arg}\"
  -DCHANGELOG=${PROJECT_SOURCE_DIR}/packaging/changelog.in -DPROJECT_VERSION=${PROJECT_VERSION}
  -P ${PROJECT_SOURCE_DIR}/packaging/Generate.cmake RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR \"manual pages or changelog could not be made\")
  endif()")
foreach(entry IN LISTS VQ250_PACKAGED_PROGRAMS)
  string(REGEX REPLACE "\\|.*" "" program "${entry}")
  install(FILES ${generated}/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

install(FILES packaging/vq250-loader.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 48 128)
  install(FILES assets/vq250-loader-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME vq250-loader.png)
endforeach()
install(FILES README.md packaging/copyright ${generated}/changelog.gz DESTINATION ${doc})

execute_process(COMMAND dpkg --print-architecture
  OUTPUT_VARIABLE VQ250_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT VQ250_DEB_ARCH)
  set(VQ250_DEB_ARCH amd64)
endif()
set(VQ250_DEB_FILE vq250-loader_${PROJECT_VERSION}_${VQ250_DEB_ARCH}.deb)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vq250-loader)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "load background sounds into a VQ250 sound device")
set(CPACK_PACKAGE_DESCRIPTION
  "VQ250 Loader sends 8 kHz 8-bit mono PCM sounds to the background slots of a\n"
  "VQ250 sound device over a serial line (57600 baud, 8N1), with a progress\n"
  "window and a plain message for every failure. The package holds the window\n"
  "(vq250), a demo of it on a built-in VQ250 emulator (vq250-demo), a command\n"
  "line loader (vq250-load), a checker for libraries of sounds (vq250-check)\n"
  "and a converter from any common sound format (vq250-convert).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "VQ250 Loader developers <vq250-loader@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME ${VQ250_DEB_FILE})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${VQ250_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
