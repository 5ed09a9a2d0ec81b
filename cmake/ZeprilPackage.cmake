# Install rules and the Debian package of the appliance (cpack -G DEB). CPack rather
# than a debian/ folder: the build is CMake already, the install() rules are needed
# either way, and dpkg-shlibdeps (dpkg-dev) computes the library dependencies from
# the binary, so the package needs no debhelper toolchain to build.
include(GNUInstallDirs)

set(ZEPRIL_LIBEXEC_DIR "${CMAKE_INSTALL_LIBEXECDIR}/zepril-client")

install(TARGETS zepril-client RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET zepril-startup-page)
  install(TARGETS zepril-startup-page RUNTIME DESTINATION ${ZEPRIL_LIBEXEC_DIR})
endif()
install(PROGRAMS packaging/libexec/kiosk-session packaging/libexec/reboot-if-due
        DESTINATION ${ZEPRIL_LIBEXEC_DIR})
install(FILES packaging/systemd/zepril-kiosk.service packaging/systemd/zepril-daily-reboot.service
              packaging/systemd/zepril-daily-reboot.timer
        DESTINATION lib/systemd/system)
install(FILES packaging/polkit/50-zepril-client.rules DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/rules.d)
install(FILES packaging/config.ini.example DESTINATION ${CMAKE_INSTALL_DATADIR}/zepril-client)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zepril-client)
set(CPACK_PACKAGE_VENDOR "ZEPRIL")
set(CPACK_PACKAGE_CONTACT "ZEPRIL Client developers <dev@zepril.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hotel in-house TV channel player (kiosk appliance)")
set(CPACK_PACKAGE_DESCRIPTION "Turns a bare Debian PC wired to a screen into the hotel's in-house channel: \
an endless video playlist, a scrolling banner of the hotel's texts, a clock and the weather, content kept \
current from the hotel's servers, a daily reboot; started at boot on its own X server and supervised by systemd.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the binary's libraries do not pull in: the X server and its input for the
# operator's mouse, the Qt platform plugin, the file-type database, the fonts that stand
# in for Arial and Century Gothic, polkit for the reboot rule, and the tools the
# session and the maintainer scripts call. Not x11-xserver-utils: it pulls in the C
# preprocessor, and the X server's own flags turn blanking and power saving off.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "adduser, systemd, dbus, polkitd, xserver-xorg-core, xserver-xorg-legacy, xserver-xorg-input-libinput, \
xauth, qt6-qpa-plugins, libmagic-mgc, fonts-liberation, fonts-urw-base35")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${CMAKE_SOURCE_DIR}/packaging/debian/postinst;${CMAKE_SOURCE_DIR}/packaging/debian/prerm;${CMAKE_SOURCE_DIR}/packaging/debian/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
