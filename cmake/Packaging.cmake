# `cpack -G DEB` in a build configured by scripts/package-deb.sh gives the
# Debian package. Run-time libraries are found by dpkg-shlibdeps; the rest is
# declared here.
set(CPACK_PACKAGE_NAME varnosoftware)
set(CPACK_PACKAGE_VENDOR VarnoSoftware)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Everyday desktop toolbox: WeChat instances, icons, rounded images, shutdown and reminders")
set(CPACK_PACKAGE_DESCRIPTION "A frameless, dark Qt toolbox that lives in the system tray: start several
WeChat clients at once, convert images to icons, cut rounded images with a
live preview, schedule a shutdown, and get end-of-work and rest reminders.")
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
