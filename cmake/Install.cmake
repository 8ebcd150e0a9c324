# Installing the game as a desktop application (`make install`) and its Debian package
# (`make package`): the program, its menu entry, metainfo, icons and manual page.
include(GNUInstallDirs)

# The project has no web home yet, so the metainfo and the package name none: an
# address that leads nowhere is worse than no address. The id is written in the
# reverse form of a domain as AppStream wants; example.org is the one reserved for
# documentation.
set(BLACKJACK_HOMEPAGE "") # the web home, with a trailing slash, once there is one
set(BLACKJACK_APP_ID "org.example.BlackJack" CACHE STRING "AppStream component id")
set(BLACKJACK_MAINTAINER "The BlackJack developers <blackjack@example.org>" CACHE STRING
    "Maintainer of the Debian package")
# The day this version was released: named by the metainfo and dated on the manual page.
set(BLACKJACK_RELEASE_DATE "2026-12-06")

set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out})

# Debian keeps games in /usr/games: the package preset sets CMAKE_INSTALL_BINDIR=games.
install(TARGETS blackjack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/blackjack.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(METAINFO_HOMEPAGE "")
if(BLACKJACK_HOMEPAGE)
  set(METAINFO_HOMEPAGE "\n  <url type=\"homepage\">${BLACKJACK_HOMEPAGE}</url>")
endif()
configure_file(packaging/metainfo.xml.in ${packaging_out}/${BLACKJACK_APP_ID}.metainfo.xml
               @ONLY)
install(FILES ${packaging_out}/${BLACKJACK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# artgen draws resources/icons/blackjack_<size>.png; each goes to its size's folder.
file(GLOB desktop_icons CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/icons/blackjack_*.png)
foreach(icon ${desktop_icons})
  string(REGEX REPLACE ".*_([0-9]+)\\.png$" "\\1" size ${icon})
  install(FILES ${icon} RENAME blackjack.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The copyright file in Debian's machine-readable form, its licence text taken from
# LICENSE so the two say the same.
file(READ LICENSE licence_text)
string(STRIP "${licence_text}" licence_text)
string(REPLACE "\n" "\n " licence_text " ${licence_text}")
string(REPLACE "\n \n" "\n .\n" licence_text "${licence_text}")
file(READ packaging/copyright.in copyright_text)
file(CONFIGURE OUTPUT ${packaging_out}/copyright CONTENT "${copyright_text}${licence_text}\n" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE packaging/copyright.in)
install(FILES ${packaging_out}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/blackjack)

# The changelog, whose newest entry must be this version's.
file(STRINGS packaging/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^blackjack \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog does not begin with version ${PROJECT_VERSION}")
endif()
add_custom_command(
  OUTPUT ${packaging_out}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/changelog ${packaging_out}
  COMMAND gzip -9nf ${packaging_out}/changelog
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
  VERBATIM)
install(FILES ${packaging_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/blackjack)

# The manual page, written by hand in roff; the install test holds its OPTIONS to
# the program's --help. Dated with the release, not the build.
configure_file(packaging/blackjack.6.in ${packaging_out}/blackjack.6 @ONLY)
add_custom_command(
  OUTPUT ${packaging_out}/blackjack.6.gz
  COMMAND gzip -9nkf ${packaging_out}/blackjack.6
  DEPENDS ${packaging_out}/blackjack.6
  COMMENT "Compressing the manual page blackjack(6)"
  VERBATIM)
# What the install needs beside the program itself.
add_custom_target(blackjack_docs ALL DEPENDS ${packaging_out}/blackjack.6.gz
                                             ${packaging_out}/changelog.gz)
install(FILES ${packaging_out}/blackjack.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME blackjack)
set(CPACK_PACKAGE_VENDOR "The BlackJack developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "single-player blackjack against the dealer")
set(CPACK_PACKAGE_DESCRIPTION
    "A blackjack game made for the small screen of a pen-operated handheld,
shown in a window on the desktop, where the mouse or a touch screen is the
pen. Tap chips to build a bet, deal, then hit, stand or double; the dealer
draws to 17, and a natural pays 2 to 1. The money and the settings are kept
between games.

It also runs without a window from a script of taps and waits, writing
screenshots.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BLACKJACK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(BLACKJACK_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${BLACKJACK_HOMEPAGE}")
endif()
# The libraries come from dpkg-shlibdeps; the table's text is laid out for the
# metrics of the fonts in fonts-wine.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-wine)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
