# The program reads its title-bar icons from an "Image" folder beside the
# executable. On Linux both go to lib/varnosoftware/ and bin/varnosoftware is
# a relative symbolic link to the executable: the program finds its folder
# through /proc/self/exe, which resolves the link.
include(GNUInstallDirs)

if(WIN32 OR APPLE)
    install(TARGETS VarnoSoftware RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${VARNO_TITLE_ICONS} DESTINATION ${CMAKE_INSTALL_BINDIR}/Image)
    return()
endif()

set(VARNO_APP_DIR lib/varnosoftware)
install(TARGETS VarnoSoftware RUNTIME DESTINATION ${VARNO_APP_DIR})
install(FILES ${VARNO_TITLE_ICONS} DESTINATION ${VARNO_APP_DIR}/Image)

# install(FILES) copies a link as a link.
set(VARNO_LINK_DIR ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${VARNO_LINK_DIR})
file(CREATE_LINK ../${VARNO_APP_DIR}/VarnoSoftware ${VARNO_LINK_DIR}/varnosoftware SYMBOLIC)
install(FILES ${VARNO_LINK_DIR}/varnosoftware DESTINATION ${CMAKE_INSTALL_BINDIR})

set(VARNO_APP_ID com.varnosoftware.VarnoSoftware)
install(FILES dist/linux/${VARNO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES dist/linux/${VARNO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 96 128 256)
    install(FILES Image/hicolor/${size}x${size}/varnosoftware.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
