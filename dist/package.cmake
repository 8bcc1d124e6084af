# The Debian package: `cpack -G DEB` in the build folder (scripts/package does
# the build and the check) makes kalotalk_<version>_amd64.deb from the install
# rules in dist/CMakeLists.txt, with the prefix /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalotalk)
set(CPACK_PACKAGE_VENDOR "Halden Software")
set(CPACK_PACKAGE_CONTACT "Halden Software <support@halden.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read text aloud, or turn it into WAV and MP3 files")
# The long description; cpack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kalotalk reads text aloud on the desktop, in two interfaces: a converter,
a tabbed text editor that reads documents aloud with the spoken word
highlighted or writes them to WAV and MP3 files, and a cartoon interface,
where an animated character on the desktop reads text in its word balloon.
Both can watch the clipboard and read what is copied.

The package also holds kalotalk-say, which brings the voices to scripts,
and kalotalk-char, which looks inside Agent 2.0 character files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kalotalk.example.com/")
# The libraries' packages come from the programs themselves (dpkg-shlibdeps);
# besides them: the voices' data, the MP3 encoder the converter runs, a font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, lame, fonts-dejavu-core")
# The fonts the windows ask for by name, and the opener of the help page and
# the folders.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
