#!/usr/bin/env bash
# Installs a built player for a kiosk session: the binary in /opt/zepril/bin, the
# program tree (cfg, videos-man, videos-auto with their category and index folders,
# skin) in /var/lib/zepril, and an autostart entry so the player starts at logon —
# and so again after its daily reboot. The player itself registers nothing.
#
#   packaging/install.sh BUILD_DIR [KIOSK_USER]
set -euo pipefail
build=${1:?build directory}
user=${2:-${SUDO_USER:-$(id -un)}}
here=$(cd "$(dirname "$0")" && pwd)

install -D -m 0755 "$build/src/app/zepril-client" /opt/zepril/bin/zepril-client
for mode in videos-man videos-auto; do
  for dir in index restaurants plages night boutiques services documentaires; do
    install -d "/var/lib/zepril/$mode/$dir"
  done
done
install -d /var/lib/zepril/cfg /var/lib/zepril/skin
[ -f /var/lib/zepril/cfg/config.ini ] || install -m 0644 "$here/config.ini.example" /var/lib/zepril/cfg/config.ini
chown -R "$user" /var/lib/zepril
home=$(getent passwd "$user" | cut -d: -f6)
install -D -m 0644 "$here/zepril-client.desktop" "$home/.config/autostart/zepril-client.desktop"
chown -R "$user" "$home/.config/autostart"
echo "installed; put back.jpg and logo.jpg in /var/lib/zepril/skin and edit /var/lib/zepril/cfg/config.ini"
