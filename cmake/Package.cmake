# Where `cmake --install` puts everything, and the Debian package built from
# it by `cmake --build BUILD --target package`: korvana_<version>_<arch>.deb.
#
# The paths are relative to the prefix (/usr in the package). The FFmpeg
# module goes to lib/korvana and not to the multiarch library folder: the
# player looks for it (and for the speech module beside it) at
# <program folder>/../lib/korvana, and `korvana --demo`
# for the demo at <program folder>/../share/korvana/demo.

set(KORVANA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KORVANA_APP_ID io.github.korvana.Korvana)
set(KORVANA_DOC_DIR share/doc/korvana)
set(KORVANA_HOMEPAGE https://github.com/korvana/korvana)
set(KORVANA_MAINTAINER "Korvana developers <korvana@example.org>")

install(TARGETS korvana korvana-script korvana-picture RUNTIME DESTINATION bin)
install(TARGETS korvana_ffmpeg korvana_speech LIBRARY DESTINATION lib/korvana)

# The demo game, without what playing it in the source tree leaves behind
# (the same names .gitignore keeps out).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/games/demo/ DESTINATION share/korvana/demo
  PATTERN krv.ini EXCLUDE
  PATTERN *.hfd EXCLUDE
  PATTERN *.hsd EXCLUDE
  PATTERN *.hld EXCLUDE
  PATTERN textid.dat EXCLUDE)

# The desktop: the menu entry, the AppStream description, the icon as drawn
# and as pictures rendered from it for the sizes a theme looks up first.
install(FILES ${KORVANA_PACKAGING_DIR}/${KORVANA_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${KORVANA_PACKAGING_DIR}/${KORVANA_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${KORVANA_PACKAGING_DIR}/${KORVANA_APP_ID}.svg
  DESTINATION share/icons/hicolor/scalable/apps)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(KORVANA_ICONS)
foreach(size 48 128 256)
  set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}/${KORVANA_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}
    COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --output=${png}
      ${KORVANA_PACKAGING_DIR}/${KORVANA_APP_ID}.svg
    DEPENDS ${KORVANA_PACKAGING_DIR}/${KORVANA_APP_ID}.svg
    COMMENT "Rendering the ${size} px icon")
  install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  list(APPEND KORVANA_ICONS ${png})
endforeach()

# Man pages, English and Japanese: docs/man/NAME.1 and docs/man/NAME.ja.1,
# compressed without a name or time stamp so that the bytes depend on the
# text only.
find_program(GZIP gzip REQUIRED)
set(KORVANA_MAN_PAGES)
foreach(program korvana korvana-script korvana-picture)
  foreach(lang en ja)
    if(lang STREQUAL en)
      set(source ${PROJECT_SOURCE_DIR}/docs/man/${program}.1)
      set(destination share/man/man1)
    else()
      set(source ${PROJECT_SOURCE_DIR}/docs/man/${program}.${lang}.1)
      set(destination share/man/${lang}/man1)
    endif()
    set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${lang}/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man/${lang}
      COMMAND ${GZIP} -9n -c ${source} > ${page}
      DEPENDS ${source}
      COMMENT "Compressing ${program}(1), ${lang}")
    install(FILES ${page} DESTINATION ${destination})
    list(APPEND KORVANA_MAN_PAGES ${page})
  endforeach()
endforeach()

# The documents: the README and the manuals in docs/ with their pictures,
# whichever of them exist; the copyright file in Debian's format, made from
# LICENSE; the package's change log, named changelog.gz as a package without
# a Debian revision in its version (a native one) names it.
file(GLOB KORVANA_DOCS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md)
# The notes for Korvana's own developers stay in the source tree.
list(REMOVE_ITEM KORVANA_DOCS ${PROJECT_SOURCE_DIR}/docs/HACKING.md)
file(GLOB KORVANA_DOC_IMAGES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/images/*.png
  ${PROJECT_SOURCE_DIR}/docs/images/*.jpg ${PROJECT_SOURCE_DIR}/docs/images/*.svg
  ${PROJECT_SOURCE_DIR}/docs/images/*.gif)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${KORVANA_DOCS} DESTINATION ${KORVANA_DOC_DIR})
install(FILES ${KORVANA_DOC_IMAGES} DESTINATION ${KORVANA_DOC_DIR}/images)
# The author's regression-test script the manual describes, ready to copy.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/docs/examples/test-game.sh
  DESTINATION ${KORVANA_DOC_DIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/docs/examples/demo.routes DESTINATION ${KORVANA_DOC_DIR}/examples)

file(READ ${PROJECT_SOURCE_DIR}/LICENSE KORVANA_LICENSE)
string(STRIP "${KORVANA_LICENSE}" KORVANA_LICENSE)
string(REPLACE "\n\n" "\n.\n" KORVANA_LICENSE "${KORVANA_LICENSE}")
string(REPLACE "\n" "\n " KORVANA_LICENSE "${KORVANA_LICENSE}")
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/doc/copyright @ONLY CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Korvana
Upstream-Contact: ${KORVANA_MAINTAINER}
Source: ${KORVANA_HOMEPAGE}

Files: *
Copyright: 2026 Korvana developers
License: Expat
 ${KORVANA_LICENSE}
")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/doc/copyright DESTINATION ${KORVANA_DOC_DIR})

set(KORVANA_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${KORVANA_CHANGELOG}
  COMMAND ${GZIP} -9n -c ${KORVANA_PACKAGING_DIR}/changelog > ${KORVANA_CHANGELOG}
  DEPENDS ${KORVANA_PACKAGING_DIR}/changelog
  COMMENT "Compressing the package's change log")
install(FILES ${KORVANA_CHANGELOG} DESTINATION ${KORVANA_DOC_DIR})

add_custom_target(korvana_package_files ALL
  DEPENDS ${KORVANA_ICONS} ${KORVANA_MAN_PAGES} ${KORVANA_CHANGELOG})

# The package. dpkg-shlibdeps reads every ELF file in it, the FFmpeg and
# speech modules as well, for the libraries (Qt's speech and WebSockets come
# from the speech module); what it cannot see is listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvana)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Korvana developers")
set(CPACK_PACKAGE_CONTACT ${KORVANA_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KORVANA_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KORVANA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(KORVANA_DEPENDS_BY_HAND
  # the Japanese faces: the message text's default "ＭＳ ゴシック" and the
  # Gothic and Mincho faces games name are drawn with these through fontconfig
  fonts-ipafont-gothic fonts-ipafont-mincho
  # the General MIDI sound font FluidSynth plays MIDI music with, inside
  # SDL_mixer (backends/sdl/SdlAudio.cpp names its file)
  timgm6mb-soundfont
  # Qt's own buttons and dialogs in Japanese (qtbase_ja.qm)
  qt6-translations-l10n
  # the mixer, loaded when the first sound plays (backends/sdl/MixerLibrary.h);
  # the versions are those of the newest calls we take (dpkg-shlibdeps would
  # have read them from the libraries' symbol files)
  "libsdl2-mixer-2.0-0 (>= 2.6.0)"
  # SDL itself, loaded for the first BMP picture, pad or sound
  # (core/SdlLibrary.h)
  "libsdl2-2.0-0 (>= 2.24.0)")
list(JOIN KORVANA_DEPENDS_BY_HAND ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Reading aloud: Qt's text-to-speech loads its speech-dispatcher plugin at
# run time (dpkg-shlibdeps cannot see it), and the service speaks through an
# engine with a Japanese voice. Without them the item is only greyed.
set(KORVANA_RECOMMENDS_BY_HAND qt6-speech-speechd-plugin speech-dispatcher
  speech-dispatcher-espeak-ng)
list(JOIN KORVANA_RECOMMENDS_BY_HAND ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[player for visual novels written as Shift-JIS text scripts
Korvana plays Japanese visual novels whose stories are written as
Shift-JIS text scripts: backgrounds, characters and effects, transitions,
message text that waits for a click, choices, music and sound effects,
movies, save slots and a log of the messages read, in one 640 x 480
window that scales by whole steps on large screens.

The package holds the player (korvana), a short demo game, and two tools
for authors: korvana-script scrambles, unscrambles and checks scripts,
korvana-picture decodes pictures as the engine does. The author's manual
and the player's guide are in Japanese and English.]])
include(CPack)
