# Install rules of the appliance. The Debian packages are built from them by debian/
# (tools/build-package.sh): debian/zepril-client.install and
# debian/zepril-startup-page.install split them into the channel and its start-up page.
include(GNUInstallDirs)

set(ZEPRIL_LIBEXEC_DIR "${CMAKE_INSTALL_LIBEXECDIR}/zepril-client")

install(TARGETS zepril-client RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET zepril-startup-page)
  install(TARGETS zepril-startup-page RUNTIME DESTINATION ${ZEPRIL_LIBEXEC_DIR})
endif()
install(PROGRAMS packaging/libexec/kiosk-session packaging/libexec/reboot-if-due packaging/libexec/restart-delay
        DESTINATION ${ZEPRIL_LIBEXEC_DIR})
install(FILES packaging/systemd/zepril-kiosk.service packaging/systemd/zepril-daily-reboot.service
              packaging/systemd/zepril-daily-reboot.timer
        DESTINATION lib/systemd/system)
install(FILES packaging/polkit/50-zepril-client.rules DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/rules.d)
install(FILES packaging/config.ini.example DESTINATION ${CMAKE_INSTALL_DATADIR}/zepril-client)
