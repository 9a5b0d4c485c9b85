# What a user's system gets beside the programs (desktop entry, icon,
# AppStream metainfo, manual pages, shell completion, copyright and changelog)
# and the Debian package made of it all by `cpack -G DEB`.

# PLACEHOLDERS until a public release: the AppStream ID (a reverse domain
# name the project does not own yet; the desktop file, the icon and the
# metainfo are named after it), the maintainer's address and the screenshot's
# URL.
set(QRK_APP_ID org.qrkprog.programmer)
# The maintainer, in this one place: the package, its copyright and its
# changelog all take it from here. There is no public address yet.
set(QRK_MAINTAINER "QRK MCU Programmer developers <qrkprog@localhost>")
set(QRK_SCREENSHOT_URL "https://qrkprog.invalid/window.png"
    CACHE STRING "Where the AppStream metainfo says the window's screenshot (docs/window.png) is")
set(QRK_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(QRK_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(QRK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})

# A release changes the version here and heads the changelog with it; the
# two must not part.
file(STRINGS ${QRK_PACKAGING}/debian/changelog.in QRK_CHANGELOG_HEAD LIMIT_COUNT 1)
string(REGEX MATCH "\\(([^)]*)\\)" QRK_CHANGELOG_VERSION "${QRK_CHANGELOG_HEAD}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/debian/changelog.in starts at version ${CMAKE_MATCH_1}, "
                      "the project is at ${PROJECT_VERSION}: add an entry for this release")
endif()
file(STRINGS ${QRK_PACKAGING}/debian/changelog.in QRK_CHANGELOG_TRAILER REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX MATCH "[0-9]+ [A-Z][a-z][a-z] [0-9][0-9][0-9][0-9]" QRK_RELEASE_DAY "${QRK_CHANGELOG_TRAILER}")
string(REPLACE " " ";" QRK_RELEASE_DAY "${QRK_RELEASE_DAY}")
list(GET QRK_RELEASE_DAY 0 day)
list(GET QRK_RELEASE_DAY 1 month)
list(GET QRK_RELEASE_DAY 2 year)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${month} month)
if(month LESS 0)
  message(FATAL_ERROR "packaging/debian/changelog.in: no release date in \"${QRK_CHANGELOG_TRAILER}\"")
endif()
math(EXPR month "${month} + 1")
string(LENGTH "${month}" length)
if(length EQUAL 1)
  set(month 0${month})
endif()
set(QRK_RELEASE_DATE ${year}-${month}-${day})

# Desktop entry, icon, AppStream metainfo.
install(FILES ${QRK_PACKAGING}/${QRK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QRK_PACKAGING}/${QRK_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
configure_file(${QRK_PACKAGING}/${QRK_APP_ID}.metainfo.xml.in
               ${QRK_PACKAGING_OUT}/${QRK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${QRK_PACKAGING_OUT}/${QRK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Bash loads a command's completion by the command's name.
foreach(program qrkprog qrkprog-gui qrksim)
  install(FILES ${QRK_PACKAGING}/bash-completion/qrkprog
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program})
endforeach()

# Copyright and changelog, compressed as Debian keeps them (-n: no time
# stamp, so that a rebuild makes the same bytes).
configure_file(${QRK_PACKAGING}/debian/copyright.in ${QRK_PACKAGING_OUT}/copyright @ONLY)
configure_file(${QRK_PACKAGING}/debian/changelog.in ${QRK_PACKAGING_OUT}/changelog @ONLY)
add_custom_command(OUTPUT ${QRK_PACKAGING_OUT}/changelog.gz
                   COMMAND gzip -9nc changelog > changelog.gz
                   DEPENDS ${QRK_PACKAGING_OUT}/changelog
                   WORKING_DIRECTORY ${QRK_PACKAGING_OUT} VERBATIM)
set(QRK_GENERATED_DOCS ${QRK_PACKAGING_OUT}/changelog.gz)
install(FILES ${QRK_PACKAGING_OUT}/copyright ${QRK_PACKAGING_OUT}/changelog.gz
        DESTINATION ${QRK_DOC_DIR})
install(FILES ${QRK_PACKAGING}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${PROJECT_NAME})

# Manual pages from the programs' own --help (help2man), so that they never
# drift from the programs. A sanitizer build leaves them out: its programs
# are for tests, not for a system.
find_program(QRK_HELP2MAN help2man)
if(QRK_HELP2MAN AND NOT QRK_SANITIZE)
  option(QRK_MAN_PAGES "Make the manual pages with help2man" ON)
else()
  option(QRK_MAN_PAGES "Make the manual pages with help2man" OFF)
endif()
if(QRK_MAN_PAGES)
  foreach(program qrkprog qrkprog-gui qrksim)
    if(NOT TARGET ${program})
      continue()
    endif()
    set(page ${QRK_PACKAGING_OUT}/${program}.1)
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${QRK_PACKAGING}/man/make-man-page.sh $<TARGET_FILE:${program}> ${PROJECT_VERSION}
              ${QRK_PACKAGING}/man/${program}.h2m ${page}
      COMMAND gzip -9nf ${page}
      DEPENDS ${program} ${QRK_PACKAGING}/man/${program}.h2m ${QRK_PACKAGING}/man/make-man-page.sh
      COMMENT "Writing the manual page of ${program}" VERBATIM)
    list(APPEND QRK_GENERATED_DOCS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endif()
add_custom_target(qrk_generated_docs ALL DEPENDS ${QRK_GENERATED_DOCS})

# The Debian package.
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "QRK MCU Programmer developers")
set(CPACK_PACKAGE_CONTACT ${QRK_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QRK_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "programmer for QRK 8051-compatible flash MCUs over their serial ISP bootloader")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${QRK_PACKAGING}/debian/description)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Stripped by our own step rather than CPACK_STRIP_FILES, which leaves the
# .comment and .note sections in.
set(CPACK_QRK_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${QRK_PACKAGING}/strip-programs.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The Qt libraries the binaries link are found by dpkg-shlibdeps; what Qt
# loads as plug-ins is named here: the SQLite driver every run's production
# record needs and the SVG engine that draws the window's icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6")
# Without a CJK font the window's Chinese captions show as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
# A production record shared by several stations lives in PostgreSQL.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-psql")
include(CPack)
