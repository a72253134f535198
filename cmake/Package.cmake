# The Debian package (make deb): CPack installs the project as cmake/Install.cmake says
# under /usr, strips the programs and computes the shared-library dependencies with
# dpkg-shlibdeps. The package has no maintainer scripts: dpkg triggers of
# hicolor-icon-theme, desktop-file-utils and man-db refresh their caches.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel-oruk)
set(CPACK_PACKAGE_VENDOR "The Vantrel Oruk developers")
set(CPACK_PACKAGE_CONTACT ${VANTREL_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print and save the listing of a directory tree")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantrel Oruk shows the folder tree of the desktop and lists everything below
the chosen folder as an indented listing: a bold heading per folder and one
line per file, with the size and date of each file on request, in alphabetical
order or with the folders alone. The listing is printed, to a print queue or
to a PDF file, with margins, a header, page numbers, a logo and borders, or
saved as RTF.

The command vantrel-oruk-export writes the same listing without a window, as
text, RTF or PDF. The program speaks French and English, following the user's
locale.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VANTREL_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Liberation faces that stand in for the Windows fonts of the listing, and the icon
# themes of the folder tree and of the menu entry. libqt6gui6 holds the X11 platform
# plugin; Wayland's comes with qt6-wayland; qt6-translations-l10n Qt's French texts
# (without them Qt's dialogs stay English); libc-l10n the C library's French texts, in
# which the export gives the system's reason for a failed write.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-liberation | fonts-liberation2, adwaita-icon-theme, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland, libc-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
