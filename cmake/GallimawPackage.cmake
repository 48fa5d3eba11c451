# `cpack -G DEB` in the native tree: a Debian package of gallimaw-dump whose
# dependencies dpkg-shlibdeps reads from the program's own links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gallimaw-dump)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Orrenby)
set(CPACK_PACKAGE_CONTACT "Orrenby <gallimaw@orrenby.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print the records of Internet Explorer index.dat files")
set(CPACK_PACKAGE_DESCRIPTION
    "gallimaw-dump prints the URL, LEAK and REDR records of Internet Explorer
index.dat files (cache, cookies and history of a Pocket PC or of desktop
Internet Explorer 4 and 5), allocated, recovered and carved from disk images,
as CSV, JSON Lines, a table, a Sleuth Kit body file or Timesketch lines.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "sleuthkit, jq")
include(CPack)
