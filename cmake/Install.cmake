# The installed layout: PREFIX/lib/zelvane holds both programs, the mail
# program the tray program starts, and the shipped city lists (the data-folder
# rule looks beside the executable), PREFIX/bin links to the two programs, and
# the desktop gets a menu entry, an icon, software-centre metadata, manuals
# and a user timer for the headless check.

set(ZELVANE_APP_ID example.zelvane.Zelvane)
set(ZELVANE_PROGRAM_DIR lib/zelvane)

# Nothing of ours is a shared library, so no library search path. Qt's default
# one ($ORIGIN/../lib) is also why the build pads the path with colons, and the
# loader reads an empty entry as the working folder.
set_target_properties(zelvane zelvane-check zelvane-mail PROPERTIES INSTALL_RPATH "")
install(TARGETS zelvane zelvane-check zelvane-mail RUNTIME DESTINATION ${ZELVANE_PROGRAM_DIR})
install(FILES ${ZELVANE_DATA_FILES} DESTINATION ${ZELVANE_PROGRAM_DIR})

# Relative links, made at configure time and installed as links, so the tree
# can be moved and packaged.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
foreach(program zelvane zelvane-check)
  file(CREATE_LINK ../${ZELVANE_PROGRAM_DIR}/${program}
       ${CMAKE_BINARY_DIR}/install-links/${program} SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/install-links/${program} DESTINATION bin)
endforeach()

# The menu entry and the service name the program by its absolute installed
# path, known only at install time (cpack installs under /usr, a developer
# under any --prefix).
foreach(pair "${ZELVANE_APP_ID}.desktop|share/applications"
             "zelvane-check.service|lib/systemd/user")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 destination)
  # One scratch folder per destination: the tests install and package at once.
  install(CODE "
    set(ZELVANE_BIN \"\${CMAKE_INSTALL_PREFIX}/bin\")
    string(MD5 scratch \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(scratch \"${CMAKE_BINARY_DIR}/install-time/\${scratch}/${name}\")
    configure_file(\"${CMAKE_SOURCE_DIR}/resources/${name}.in\" \"\${scratch}\" @ONLY)
    file(INSTALL \"\${scratch}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${destination}\")")
endforeach()
install(FILES resources/zelvane-check.timer DESTINATION lib/systemd/user)

install(FILES resources/zelvane.svg DESTINATION share/icons/hicolor/scalable/apps
        RENAME ${ZELVANE_APP_ID}.svg)
configure_file(resources/${ZELVANE_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/${ZELVANE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${ZELVANE_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# Manual pages, compressed as Debian ships them, each into the folder of its
# section: the programs in man1, their files in man5.
find_program(SCDOC scdoc REQUIRED)
find_program(GZIP gzip REQUIRED)
set(manuals)
foreach(page zelvane.1 zelvane-check.1 zelvane.5)
  set(source ${CMAKE_SOURCE_DIR}/docs/man/${page}.scd)
  set(output ${CMAKE_BINARY_DIR}/man/${page}.gz)
  string(REGEX REPLACE "^.*\\." "" section ${page})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "'${SCDOC}' < '${source}' | '${GZIP}' -9n > '${output}'"
    DEPENDS ${source} VERBATIM)
  list(APPEND manuals ${output})
  install(FILES ${output} DESTINATION share/man/man${section})
endforeach()
add_custom_target(manuals ALL DEPENDS ${manuals})

# cpack -G DEB (scripts/package): the dependencies come from the libraries the
# programs link.
set(CPACK_PACKAGE_NAME zelvane)
set(CPACK_PACKAGE_VENDOR "The Zelvane developers")
set(CPACK_PACKAGE_CONTACT "The Zelvane developers <dev@zelvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watch frequent-flyer award seats from the desktop tray")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Zelvane keeps a watch list of up to 100 flights and checks them for award
seats at an interval you choose: it logs in to the airline's frequent-flyer
site, runs one award search per flight, announces every available flight in a
pop-up and e-mails a summary. zelvane-check runs one check without a display;
a systemd user timer for it is included, not enabled.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.zelvane.example)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries the programs link (Qt Charts for the history's picture and
# libcurl for mail among them) come from shlibdeps; OpenSSL comes with Qt's
# network library and libcurl. Named here is what no program links: the tray
# needs a display plugin, which Qt only recommends, and the history Qt's
# SQLite plugin; https needs the CA list.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "systemd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# What Debian asks of every package's documentation folder: the copyright and
# the package's own change log, compressed as dpkg ships it.
set(ZELVANE_DOC_DIR share/doc/zelvane)
configure_file(resources/debian/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
  COMMAND sh -c "'${GZIP}' -9n < '${CMAKE_BINARY_DIR}/doc/changelog.Debian' > '${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz'"
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.Debian VERBATIM)
add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz)
install(FILES resources/debian/copyright ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
        DESTINATION ${ZELVANE_DOC_DIR})
install(FILES resources/debian/lintian-overrides DESTINATION share/lintian/overrides RENAME zelvane)

# Everything the install steps above take from the build, so that a package
# can be made from a build folder where nothing else was built.
add_custom_target(installed-files)
add_dependencies(installed-files zelvane zelvane-check zelvane-mail manuals changelog)

include(CPack)
