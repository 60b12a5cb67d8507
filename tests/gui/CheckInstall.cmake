# Installs the build into a scratch prefix and checks that a desktop finds
# everything there: both programs, the MP3 encoder, the desktop entry, its icon,
# the AppStream data, the man pages, the README that "Order" opens, the
# license and the changelog; that the installed command line grabs to MP3 with
# the installed encoder; and that the desktop program's man page names every
# option the program takes.
# cmake -DBUILD_DIR=dir -DPREFIX=dir -DAUDIO_CUE=file.cue -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(path
    bin/brenmark
    bin/brenmark-cli
    lib/brenmark/lame_enc.so
    share/applications/org.brenmark.Brenmark.desktop
    share/metainfo/org.brenmark.Brenmark.metainfo.xml
    share/icons/hicolor/48x48/apps/org.brenmark.Brenmark.png
    share/icons/hicolor/256x256/apps/org.brenmark.Brenmark.png
    share/man/man1/brenmark.1.gz
    share/man/man1/brenmark-cli.1.gz
    share/doc/brenmark/README.md
    share/doc/brenmark/copyright
    share/doc/brenmark/changelog.gz)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(GLOB in_bin RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/*")
if(NOT in_bin STREQUAL "brenmark;brenmark-cli")
  message(FATAL_ERROR "bin/ holds more than the two programs: ${in_bin}")
endif()

# The installed programs run from their new place; the command line finds the
# encoder in lib/brenmark/ (there is none beside it) and grabs a track to MP3.
execute_process(COMMAND "${PREFIX}/bin/brenmark-cli" --help RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed brenmark-cli does not run: ${status}")
endif()
set(cli "${PREFIX}/bin/brenmark-cli" --data-dir "${PREFIX}/discs" --drive virtual-cd)
execute_process(COMMAND ${cli} tray insert "${AUDIO_CUE}" RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed brenmark-cli cannot insert ${AUDIO_CUE}: ${status}")
endif()
file(MAKE_DIRECTORY "${PREFIX}/grab")
execute_process(COMMAND ${cli} grab --format mp3 --tracks 1 "${PREFIX}/grab"
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE messages)
if(NOT status EQUAL 0 OR NOT EXISTS "${PREFIX}/grab/track01.mp3")
  message(FATAL_ERROR "the installed brenmark-cli did not grab to MP3 (${status}): ${messages}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen "${PREFIX}/bin/brenmark" --help
                RESULT_VARIABLE status OUTPUT_VARIABLE help ERROR_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed brenmark does not run: ${status}")
endif()
file(READ "${BUILD_DIR}/man/brenmark.1" man_page)
string(REPLACE "\\-" "-" man_page "${man_page}")
string(REGEX MATCHALL "--[a-z-]+" options "${help}")
foreach(option IN LISTS options)
  string(FIND "${man_page}" "${option}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "man page brenmark(1) does not describe ${option}")
  endif()
endforeach()
# No installed text names a path of the machine that built it: its home, its
# source or build folder (the man pages are made from the built program).
set(build_paths "${SOURCE_DIR}" "${BUILD_DIR}")
if(NOT "$ENV{HOME}" STREQUAL "" AND NOT "$ENV{HOME}" STREQUAL "/")
  list(APPEND build_paths "$ENV{HOME}")
endif()
file(GLOB_RECURSE texts "${PREFIX}/share/*.md" "${PREFIX}/share/*.desktop" "${PREFIX}/share/*.xml")
foreach(page brenmark brenmark-cli)
  execute_process(COMMAND gzip -dc "${PREFIX}/share/man/man1/${page}.1.gz" OUTPUT_FILE "${PREFIX}/${page}.1")
  list(APPEND texts "${PREFIX}/${page}.1")
endforeach()
foreach(text IN LISTS texts)
  file(READ "${text}" content)
  foreach(path IN LISTS build_paths)
    string(FIND "${content}" "${path}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${text} names the build machine's ${path}")
    endif()
  endforeach()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
