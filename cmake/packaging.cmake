# Install layout and packages. Linux: the console programs with their
# manual pages and Debian-style documents under GNUInstallDirs, packed as a
# .deb and a .tar.gz. Windows: the four programs beside the README and the
# licence, packed as one zip per architecture.
include(GNUInstallDirs)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
set(QUAVEL_CONTACT "The Quavel developers <dev@quavel.invalid>")

# Debian wants compressed documents without a time stamp, so that rebuilding
# gives the same bytes.
function(quavel_gzip source output)
  get_filename_component(plain ${output} NAME_WLE)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${folder}/${plain}
    COMMAND ${QUAVEL_GZIP} -9nf ${folder}/${plain}
    DEPENDS ${source}
    VERBATIM)
endfunction()

# The Debian copyright file in the machine-readable format, its licence text
# taken from LICENSE so that the two never differ.
function(quavel_write_copyright output)
  set(licence_file ${PROJECT_SOURCE_DIR}/LICENSE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${licence_file})
  file(READ ${licence_file} licence)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" holder_line "${licence}")
  set(holder ${CMAKE_MATCH_1})
  string(FIND "${licence}" "Permission" body_start)
  string(SUBSTRING "${licence}" ${body_start} -1 body)
  string(STRIP "${body}" body)
  string(REPLACE "\n\n" "\n.\n" body "${body}")
  string(REPLACE "\n" "\n " body "${body}")
  file(
    CONFIGURE
    OUTPUT ${output}
    CONTENT
      "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${PROJECT_NAME}
Upstream-Contact: ${QUAVEL_CONTACT}

Files: *
Copyright: ${holder}
License: Expat
 ${body}
")
endfunction()

function(quavel_install_linux_documents)
  find_program(QUAVEL_GZIP gzip REQUIRED)
  set(staged ${PROJECT_BINARY_DIR}/packaging)
  file(MAKE_DIRECTORY ${staged})
  set(pages ${staged}/quavel.1.gz ${staged}/quavelbatch.1.gz ${staged}/quaveltext.1.gz)
  foreach(page ${pages})
    get_filename_component(name ${page} NAME_WLE)
    quavel_gzip(${PROJECT_SOURCE_DIR}/docs/man/${name} ${page})
  endforeach()
  quavel_gzip(${PROJECT_SOURCE_DIR}/docs/changelog ${staged}/changelog.gz)
  quavel_write_copyright(${staged}/copyright)
  add_custom_target(quavel_documents ALL DEPENDS ${pages} ${staged}/changelog.gz)

  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${staged}/copyright ${staged}/changelog.gz ${PROJECT_SOURCE_DIR}/README.md
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/examples/test.mid DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endfunction()

if(WIN32)
  # A zip holds one flat folder: the programs beside what explains them.
  set(QUAVEL_INSTALL_BINDIR .)
  set(QUAVEL_INSTALL_PROFILEDIR profiles)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
else()
  set(QUAVEL_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(QUAVEL_INSTALL_PROFILEDIR ${CMAKE_INSTALL_DATADIR}/quavel/profiles)
  quavel_install_linux_documents()
endif()

# The shipped handset profiles, and the way from the programs' folder to
# theirs, by which quavel finds them wherever the tree is installed.
file(GLOB QUAVEL_PROFILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/profiles/*.profile)
install(FILES ${QUAVEL_PROFILES} DESTINATION ${QUAVEL_INSTALL_PROFILEDIR})
file(RELATIVE_PATH QUAVEL_PROFILES_FROM_PROGRAM /prefix/${QUAVEL_INSTALL_BINDIR} /prefix/${QUAVEL_INSTALL_PROFILEDIR})

# A program of the build tree in folder finds the profiles where the
# installed one does, so that runs from the tree and an install behave alike.
function(quavel_copy_profiles_beside_programs folder)
  foreach(profile ${QUAVEL_PROFILES})
    get_filename_component(name ${profile} NAME)
    configure_file(${profile} ${folder}/${QUAVEL_PROFILES_FROM_PROGRAM}/${name} COPYONLY)
  endforeach()
endfunction()

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quavel developers")
set(CPACK_PACKAGE_CONTACT ${QUAVEL_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prepare Standard MIDI Files for mobile handsets")
# Debian shows the description as it stands: lines of at most 79 characters.
string(
  CONCAT CPACK_PACKAGE_DESCRIPTION
         "The console program reads one Standard MIDI File, writes a text analysis\n"
         "report with one line per event, and writes a copy adjusted for playback\n"
         "inside Java applications on mobile handsets: velocity offsets, instrument\n"
         "substitution, time-signature thinning, re-timing, regrouping of simultaneous\n"
         "notes and running status; on request it slims the copy without changing a\n"
         "sound the handset plays, in format 0 or 1. A batch program converts and\n"
         "checks many files at once, on every core, with a table of the results. A\n"
         "third program writes a MIDI file as editable event text and builds a MIDI\n"
         "file from such a text. A fourth, built where the handset synthesizer\n"
         "library is, renders a tune to WAV as a handset plays it.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
