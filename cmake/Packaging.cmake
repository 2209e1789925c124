# `cpack -G DEB` (run by `make package`) turns what cmake/Install.cmake installs into a .deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnholt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Varnholt developers")
set(CPACK_PACKAGE_CONTACT "Varnholt developers <dev@varnholt.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "export Messages, Notes and Voice Memos into open files")
# Lines of at most 80 characters, as people read it in a terminal; CPack puts the summary
# above it and indents it.
set(CPACK_PACKAGE_DESCRIPTION [=[Varnholt copies a person's data out of Apple's Messages, Notes and Voice
Memos into open, portable files: JSON, NDJSON, HTML, plain text, Markdown,
RTF, PDF and the original audio. It reads a Mac home folder (one's own, a
copy, or a mounted backup) strictly read-only and writes only below the
chosen output folder.

This package contains the command line program varnholt and the Qt desktop
window varnholt-gui.]=])
# The compiled-in data folder is under CMAKE_INSTALL_PREFIX, so the package must install there too.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps reads the libraries the binaries link against and writes Depends from them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The exporters call the first three when present (PDF, Markdown, moving temporary files to the
# Trash) and fall back without them; LibreOffice Writer opens the RTF and text exports.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "weasyprint, python3-html2text, trash-cli, libreoffice-writer-nogui")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
