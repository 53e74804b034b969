# The Debian package: what goes into it beyond the programs (desktop
# integration, manual pages, completion), and how CPack builds it.
include(GNUInstallDirs)

if(UDARE_BUILD_APP)
  # udare-tuner's manual page wraps its own --help text.
  add_custom_command(
    OUTPUT ${UDARE_DOCS_DIR}/udare-tuner.1.gz
    COMMAND ${CMAKE_COMMAND} -DTUNER=$<TARGET_FILE:udare-tuner> -DDOCS=$<TARGET_FILE:udare-make-docs>
            -DOUT=${UDARE_DOCS_DIR}/udare-tuner.1 -P ${PROJECT_SOURCE_DIR}/cmake/tuner_man.cmake
    DEPENDS udare-tuner udare-make-docs ${PROJECT_SOURCE_DIR}/cmake/tuner_man.cmake
    VERBATIM)
  add_custom_target(udare-tuner-docs ALL DEPENDS ${UDARE_DOCS_DIR}/udare-tuner.1.gz)
  install(FILES ${UDARE_DOCS_DIR}/udare-tuner.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  install(FILES resources/package/udare.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES resources/package/io.github.udare.tuner.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# Documentation every Debian package carries.
set(UDARE_PKG_DOC ${CMAKE_INSTALL_DATADIR}/doc/udare)
add_custom_command(
  OUTPUT ${UDARE_DOCS_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${UDARE_DOCS_DIR}
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/package/changelog > ${UDARE_DOCS_DIR}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/package/changelog)
add_custom_target(udare-package-docs ALL DEPENDS ${UDARE_DOCS_DIR}/changelog.gz)
install(FILES ${UDARE_DOCS_DIR}/changelog.gz resources/package/copyright DESTINATION ${UDARE_PKG_DOC})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME udare)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "udare developers <developers@udare.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tuning program for the USB karaoke DSP unit")
set(CPACK_PACKAGE_DESCRIPTION
"udare-tuner reads every parameter of the karaoke effects processor and\n\
amplifier over USB HID, shows them on a ribbon and a tuning panel, and sends\n\
each change to the unit at once: equalisers edited from their curves, levels,\n\
routing, echo and reverb, delays, compressors, noise gates and subwoofer\n\
ducking. It keeps presets in the unit and in mode files, teaches the unit\n\
the codes of an infrared remote, and upgrades its firmware.\n\
.\n\
udare-ctl does all of it from a shell, for scripts and support, and both\n\
programs run on a built-in virtual unit when no hardware is at hand.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/resources/package/postinst
    ${PROJECT_SOURCE_DIR}/resources/package/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
