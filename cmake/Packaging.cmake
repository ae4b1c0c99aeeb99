# `cpack -G DEB` in a build configured by scripts/package-deb.sh gives the
# Debian package. Run-time libraries are found by dpkg-shlibdeps; the rest is
# declared here.
set(CPACK_PACKAGE_NAME varnosoftware)
set(CPACK_PACKAGE_VENDOR VarnoSoftware)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Everyday desktop toolbox: WeChat instances, icons, rounded images, shutdown and reminders")
set(CPACK_PACKAGE_DESCRIPTION "Varno软件 is a small, frameless, dark Qt 5 desktop toolbox for Windows and
Linux that lives in the system tray and gathers six everyday tools behind
one window: start several instances of the WeChat desktop client at once;
convert an image into an icon file of a chosen size; cut an image into a
rounded rectangle or a circle, with a live preview, and export it; shut the
computer down at a chosen moment, once or every day, with a countdown and a
warning a minute before; remind you when the working day ends; and remind
you to rest after every one to four hours at the desk. Inputs and armed
tasks are kept across restarts.")
set(CPACK_PACKAGE_CONTACT "VarnoSoftware <packages@varnosoftware.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The JPEG, GIF and ICO readers and writers and the X11 platform are plugins
# of libqt5gui5, which dpkg-shlibdeps finds; the Chinese texts need a CJK font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt5svg5")

include(CPack)
