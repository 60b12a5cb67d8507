# Installs the build into a scratch prefix and checks that a desktop finds
# everything there: both programs, the desktop entry, its icon, the AppStream
# data, the man page and the README that "Order" opens.
# cmake -DBUILD_DIR=dir -DPREFIX=dir -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(path
    bin/brenmark
    bin/brenmark-cli
    share/applications/org.brenmark.Brenmark.desktop
    share/metainfo/org.brenmark.Brenmark.metainfo.xml
    share/icons/hicolor/48x48/apps/org.brenmark.Brenmark.png
    share/icons/hicolor/256x256/apps/org.brenmark.Brenmark.png
    share/man/man1/brenmark-cli.1.gz
    share/doc/brenmark/README.md)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
# The installed programs run from their new place.
execute_process(COMMAND "${PREFIX}/bin/brenmark-cli" --help RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed brenmark-cli does not run: ${status}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
