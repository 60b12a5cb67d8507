# What `cmake --install` puts where, and the Debian package CPack makes of it
# (scripts/run.sh --package builds brenmark_installable, then runs `cpack -G DEB`).
#
#   bin/brenmark, bin/brenmark-cli        the two programs
#   lib/brenmark/lame_enc.so              the MP3 encoder (audio/encoder; lame_enc.dll beside the .exe on Windows)
#   lib/brenmark/brenmark-expose.so       what `brenmark-cli expose` preloads (virtualdrive/expose; Linux)
#   share/applications/, share/metainfo/  the desktop entry and its AppStream data
#   share/icons/hicolor/<n>x<n>/apps/     the application icon, drawn by the program's own code
#   share/man/man1/brenmark.1.gz          from packaging/brenmark.1.in
#   share/man/man1/brenmark-cli.1.gz      made from brenmark-cli --help
#   share/doc/brenmark/README.md          what "Order" opens
#   share/doc/brenmark/docs/              the pages README links to
#   share/doc/brenmark/copyright          the license (GPL-3.0-or-later), from packaging/
#   share/doc/brenmark/changelog.gz       from packaging/changelog

set(BRENMARK_APP_ID org.brenmark.Brenmark)
set(BRENMARK_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(BRENMARK_MAINTAINER "Brenmark developers <developers@brenmark.org>")
# Everything installed, built by one target so that packaging needs no more than that.
add_custom_target(brenmark_installable)

foreach(program brenmark brenmark-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    add_dependencies(brenmark_installable ${program})
  endif()
endforeach()
add_dependencies(brenmark_installable brenmark_mp3encoder)
if(TARGET brenmark_expose_preload)
  add_dependencies(brenmark_installable brenmark_expose_preload)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${BRENMARK_PACKAGING}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The pages README links to, at the same place relative to it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

# The changelog names the version being built, and its last entry's date is the release date.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${BRENMARK_PACKAGING}/changelog)
file(STRINGS ${BRENMARK_PACKAGING}/changelog changelog_lines)
list(GET changelog_lines 0 changelog_head)
if(NOT changelog_head MATCHES "^brenmark \\(([^)]+)\\) " OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog must start with an entry for brenmark ${PROJECT_VERSION}: ${changelog_head}")
endif()
list(FILTER changelog_lines INCLUDE REGEX "^ -- ")
list(GET changelog_lines 0 changelog_trailer)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
if(NOT changelog_trailer MATCHES "  [A-Z][a-z][a-z], ([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no date in ${changelog_trailer}")
endif()
list(FIND months ${CMAKE_MATCH_2} month)
math(EXPR month "${month} + 101")
math(EXPR day "${CMAKE_MATCH_1} + 100")
string(SUBSTRING ${month} 1 2 month)
string(SUBSTRING ${day} 1 2 day)
set(BRENMARK_RELEASE_DATE "${CMAKE_MATCH_3}-${month}-${day}")

# Debian keeps changelogs and man pages compressed; -n leaves out the time
# stamp, so that the same sources make the same package.
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)
add_custom_command(
  OUTPUT ${packaging_out}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}
  COMMAND gzip -9nc ${BRENMARK_PACKAGING}/changelog > ${packaging_out}/changelog.gz
  DEPENDS ${BRENMARK_PACKAGING}/changelog
  VERBATIM)
add_custom_target(brenmark_changelog ALL DEPENDS ${packaging_out}/changelog.gz)
add_dependencies(brenmark_installable brenmark_changelog)
install(FILES ${packaging_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The man pages; a cross build cannot run the program it builds, and Windows has none.
if(NOT CMAKE_CROSSCOMPILING)
  set(BRENMARK_MAN_PAGE ${PROJECT_BINARY_DIR}/man/brenmark-cli.1)
  add_custom_command(
    OUTPUT ${BRENMARK_MAN_PAGE}.gz
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:brenmark-cli> -DNAME=brenmark-cli
            "-DSUMMARY=burn data, audio and Video CDs and data DVDs, grab audio CDs and read drive and disc reports from a terminal"
            -DVERSION=${PROJECT_VERSION} -DDATE=${BRENMARK_RELEASE_DATE} -DOUTPUT=${BRENMARK_MAN_PAGE}
            -P ${PROJECT_SOURCE_DIR}/cmake/ManPageFromHelp.cmake
    COMMAND gzip -9nf ${BRENMARK_MAN_PAGE}
    DEPENDS brenmark-cli ${PROJECT_SOURCE_DIR}/cmake/ManPageFromHelp.cmake
    COMMENT "Writing the man page of brenmark-cli")
  add_custom_target(brenmark_man_page ALL DEPENDS ${BRENMARK_MAN_PAGE}.gz)
  add_dependencies(brenmark_installable brenmark_man_page)
  install(FILES ${BRENMARK_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  if(TARGET brenmark)
    configure_file(${BRENMARK_PACKAGING}/brenmark.1.in ${PROJECT_BINARY_DIR}/man/brenmark.1 @ONLY)
    add_custom_command(
      OUTPUT ${PROJECT_BINARY_DIR}/man/brenmark.1.gz
      COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/man/brenmark.1 > ${PROJECT_BINARY_DIR}/man/brenmark.1.gz
      DEPENDS ${PROJECT_BINARY_DIR}/man/brenmark.1
      VERBATIM)
    add_custom_target(brenmark_desktop_man_page ALL DEPENDS ${PROJECT_BINARY_DIR}/man/brenmark.1.gz)
    add_dependencies(brenmark_installable brenmark_desktop_man_page)
    install(FILES ${PROJECT_BINARY_DIR}/man/brenmark.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endif()

if(TARGET brenmark AND TARGET brenmark-render-icon)
  set(desktop ${PROJECT_SOURCE_DIR}/shell/qt/install)
  install(FILES ${desktop}/${BRENMARK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${desktop}/${BRENMARK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  set(BRENMARK_ICON_SIZES 16 24 32 48 64 128 256)
  set(icon_dir ${PROJECT_BINARY_DIR}/icons)
  set(icon_files)
  foreach(size IN LISTS BRENMARK_ICON_SIZES)
    list(APPEND icon_files ${icon_dir}/${size}.png)
  endforeach()
  add_custom_command(
    OUTPUT ${icon_files}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:brenmark-render-icon> ${icon_dir} ${BRENMARK_ICON_SIZES}
    DEPENDS brenmark-render-icon
    COMMENT "Drawing the application icon")
  add_custom_target(brenmark_icons ALL DEPENDS ${icon_files})
  add_dependencies(brenmark_installable brenmark_icons)
  foreach(size IN LISTS BRENMARK_ICON_SIZES)
    install(FILES ${icon_dir}/${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${BRENMARK_APP_ID}.png)
  endforeach()
endif()

# CPack installs what was built without building the rest first (the tests):
# scripts/run.sh --package builds brenmark_installable before it.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brenmark)
set(CPACK_PACKAGE_VENDOR "The Brenmark developers")
set(CPACK_PACKAGE_CONTACT "${BRENMARK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Test bench for CD and DVD recorders")
# Debian's extended description: lines of at most 80 characters, an empty one between paragraphs.
set(CPACK_PACKAGE_DESCRIPTION [=[
Brenmark burns data CDs and DVDs from a folder (ISO 9660 with Joliet names),
audio CDs from WAV files and Video CDs from MPEG-1 files, grabs the tracks of
audio CDs to WAV or MP3 files with their CRC32 and AccurateRip checksums, and
shows reports about a recorder and the disc in it.

It talks to real recorders through the Linux SCSI pass-through and comes with
two built-in virtual recorders, one for CDs and one for DVDs, that keep every
disc they burn as a standard image, so that every function works on a machine
without a drive. The package holds the desktop program and brenmark-cli, which
does the same from a terminal.]=])
set(CPACK_PACKAGE_INSTALL_DIRECTORY brenmark)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(BRENMARK_LINKED_FILES "\"$<TARGET_FILE:brenmark-cli>\" \"$<TARGET_FILE:brenmark_mp3encoder>\"")
if(TARGET brenmark)
  string(APPEND BRENMARK_LINKED_FILES " \"$<TARGET_FILE:brenmark>\"")
endif()
configure_file(${BRENMARK_PACKAGING}/CPackDepends.cmake.in ${packaging_out}/CPackDepends.cmake.in @ONLY)
file(GENERATE OUTPUT ${packaging_out}/CPackDepends.cmake INPUT ${packaging_out}/CPackDepends.cmake.in)
set(CPACK_PROJECT_CONFIG_FILE ${packaging_out}/CPackDepends.cmake)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
