# What `cmake --install` puts where, and the Debian package CPack makes of it
# (`cpack -G DEB` in the build folder; scripts/run.sh --package does both).
#
#   bin/brenmark, bin/brenmark-cli        the two programs
#   bin/lame_enc.so (.dll)                the MP3 encoder, loaded from the programs' own folder
#   share/applications/, share/metainfo/  the desktop entry and its AppStream data
#   share/icons/hicolor/<n>x<n>/apps/     the application icon, drawn by the program's own code
#   share/man/man1/brenmark-cli.1.gz      made from brenmark-cli --help
#   share/doc/brenmark/README.md          what "Order" opens

set(BRENMARK_APP_ID org.brenmark.Brenmark)
foreach(program brenmark brenmark-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The man page of brenmark-cli, from its own --help; a cross build cannot run
# the program it builds, and Windows has no man pages.
if(NOT CMAKE_CROSSCOMPILING)
  set(BRENMARK_MAN_PAGE ${PROJECT_BINARY_DIR}/man/brenmark-cli.1)
  add_custom_command(
    OUTPUT ${BRENMARK_MAN_PAGE}.gz
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:brenmark-cli> -DNAME=brenmark-cli
            "-DSUMMARY=burn data discs and read drive and disc reports from a terminal"
            -DVERSION=${PROJECT_VERSION} -DOUTPUT=${BRENMARK_MAN_PAGE}
            -P ${PROJECT_SOURCE_DIR}/cmake/ManPageFromHelp.cmake
    COMMAND gzip -9nf ${BRENMARK_MAN_PAGE}
    DEPENDS brenmark-cli ${PROJECT_SOURCE_DIR}/cmake/ManPageFromHelp.cmake
    COMMENT "Writing the man page of brenmark-cli")
  add_custom_target(brenmark_man_page ALL DEPENDS ${BRENMARK_MAN_PAGE}.gz)
  install(FILES ${BRENMARK_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
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
  foreach(size IN LISTS BRENMARK_ICON_SIZES)
    install(FILES ${icon_dir}/${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${BRENMARK_APP_ID}.png)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brenmark)
set(CPACK_PACKAGE_VENDOR "The Brenmark developers")
set(CPACK_PACKAGE_CONTACT "The Brenmark developers <brenmark@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Test bench for CD and DVD recorders")
set(CPACK_PACKAGE_DESCRIPTION
    "Burns data CDs and DVDs and shows drive and disc reports, on real recorders or on two built-in virtual recorders that write standard disc images. Desktop program and command line.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY brenmark)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
