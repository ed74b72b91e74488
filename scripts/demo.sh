#!/usr/bin/env bash
# demo.sh: starts Quillpad.exe under Wine with the build tree's prefix. With a display
# ($DISPLAY) it runs there until you close it; without one it runs on the tree's own Xvfb,
# tours what there is to see and saves screenshots in build/screenshots/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${QP_BUILD:=$here/../build}"
export QP_BUILD
user_display="${DISPLAY:-}"
source "$here/wine-env.sh"
bin="$QP_BUILD/bin"
shots="$QP_BUILD/screenshots"

# Prefix, Xvfb and wineserver up (wine-run does this on first use).
"$here/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
read -r n _ <"$QP_WINE_DIR/display"
headless=1
if [ -n "$user_display" ] && xdpyinfo -display "$user_display" >/dev/null 2>&1; then
  export DISPLAY="$user_display"
  headless=0
else
  export DISPLAY=":$n"
fi

shot() {
  mkdir -p "$shots"
  import -display "$DISPLAY" -window root "$shots/$1.png"
  echo "demo: saved $shots/$1.png"
}
penctl() { wine "$bin/penctl.exe" "$@" 2>/dev/null | tr -d '\r'; }
pen=AAA-BBB-CCC-DD

if [ "$headless" = 0 ]; then
  # The console log shows what the program does.
  wine reg add 'HKCU\Software\Velar\2.0\Quillpad\Debug' /v ConsoleLogLevel /t REG_DWORD /d 1 /f >/dev/null 2>&1
  echo "demo: Quillpad runs with the stand-in's demo pen; drive the pen with"
  echo "demo:   $here/wine-run.sh $bin/penctl.exe undock|dock|lock|unlock $pen"
  echo "demo: start it again to bring it to the front (or with /history for the service log). Ctrl+C ends the demo."
  trap 'wine taskkill /IM Quillpad.exe >/dev/null 2>&1; exit 0' INT TERM
  wine "$bin/Quillpad.exe" >/dev/null 2>&1
  wine reg delete 'HKCU\Software\Velar\2.0\Quillpad\Debug' /v ConsoleLogLevel /f >/dev/null 2>&1 || true
  exit 0
fi

# Headless: a tour of every window, one screenshot each.
rm -rf "$shots"
penctl dock "$pen" >/dev/null || true
# The pages of the Internet services (personal details, shortcuts) are part of the tour.
wine reg add 'HKCU\Software\Velar\2.0\Quillpad' /v ShowInternetSettings /t REG_DWORD /d 1 /f >/dev/null 2>&1
# The demo pen is protected by a password, so the Connection page offers to change or
# remove it.
penctl password "$pen" tinta "el color del cielo" >/dev/null
wine "$bin/Quillpad.exe" >/dev/null 2>&1 &
first=$!
sleep 5
shot 01-status-page
penctl undock "$pen" >/dev/null; sleep 1
shot 02-status-no-pen
penctl dock "$pen" >/dev/null; sleep 1
echo "demo: second start with /history: the service log comes up"
wine "$bin/Quillpad.exe" /history >/dev/null 2>&1
sleep 2
shot 03-service-log
tour() { wine "$bin/DemoTour.exe" "$@" >/dev/null 2>&1; }
wine "$bin/Quillpad.exe" >/dev/null 2>&1; sleep 1 # a second start brings the sheet to the front
echo "demo: the remove question of the service log"
tour question && sleep 1 && shot 04-remove-question
tour answer; sleep 1
echo "demo: the About page; what \"Copiar\" put on the clipboard:"
wine "$bin/DemoTour.exe" about 2>/dev/null | tr -d '\r' | sed 's/^/demo:   /' && sleep 1 && shot 05-about-page
echo "demo: the About page rebuilt as the pen is undocked and docked again"
penctl undock "$pen" >/dev/null; sleep 1
penctl dock "$pen" >/dev/null; sleep 1 && shot 05b-about-page-redocked
echo "demo: the help file (F1 or Ayuda)"
tour help && sleep 2 && shot 06-help
echo "demo: the Connection page and its password dialogs"
tour close "Ayuda del Panel de control del lápiz"; sleep 1
tour page "Especificaciones de la conexión" && sleep 1 && shot 07-connection-page
tour open 102 && sleep 1 && shot 08-change-password
tour close; sleep 1
tour open 103 && sleep 1 && shot 09-remove-password
tour close; sleep 1
penctl password "$pen" --clear >/dev/null
penctl undock "$pen" >/dev/null; penctl dock "$pen" >/dev/null; sleep 1
tour open 103 && sleep 1 && shot 10-create-password
tour close; sleep 1
echo "demo: the Details page, its More details sheet, the Shortcuts page and the shortcut editor"
tour page "Detalles personales" && sleep 1 && shot 11-details-page
tour open 109 && sleep 1 && shot 12-more-details
tour close; sleep 1
tour page "Accesos directos a la dirección" && tour select 127 2 && sleep 1 && shot 13-shortcuts-page
tour open 121 && sleep 1 && shot 14-edit-shortcut
tour close; sleep 1
echo "demo: the Advanced page with the Internet settings, its server test against a local server, ISP settings"
wine taskkill /IM Quillpad.exe >/dev/null 2>&1 || true
wait "$first" || true
# A loopback HTTP server of our own that answers after 3 s, so the waiting box shows.
fifo=$(mktemp -u); mkfifo "$fifo"; portfile=$(mktemp)
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
wine "$bin/LoopbackHttpServer.exe" <"$fifo" >"$portfile" 2>/dev/null &
server=$!
exec 7>"$fifo"
for _ in $(seq 50); do grep -q port "$portfile" && break; sleep 0.2; done
port=$(tr -d '\r' <"$portfile" | awk '/^port/ {print $2}')
echo "answer 200 3000" >&7
penctl set - /manager/orskUrl "127.0.0.1:$port" --text >/dev/null
wine reg add 'HKCU\Software\Velar\2.0\Quillpad' /v ShowInternetSettings /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine "$bin/Quillpad.exe" >/dev/null 2>&1 &
first=$!
sleep 4
tour page "Avanzado" && sleep 1 && shot 15-advanced-page
tour open 123 && sleep 1 && shot 16-server-test-waiting
sleep 3 && shot 17-server-test-success
tour close; sleep 1
tour open 124 && sleep 1 && shot 18-change-server
tour close; sleep 1
tour open 126 && sleep 1 && shot 19-isp-settings
tour close; sleep 1
echo quit >&7; exec 7>&-; rm -f "$fifo" "$portfile"
penctl set - /manager/orskUrl orsk.velar.es:443 --text >/dev/null
wait "$server" 2>/dev/null || true
wine reg delete 'HKCU\Software\Velar\2.0\Quillpad' /v ShowInternetSettings /f >/dev/null 2>&1 || true
wine taskkill /IM Quillpad.exe >/dev/null 2>&1 || true
wait "$first" || true
if [ -f "$QP_BUILD/QuillpadSetup.exe" ]; then
  echo "demo: the installer, its components page and its finished page"
  setup_caption="Instalación de Panel de control del lápiz"
  wine "$QP_BUILD/QuillpadSetup.exe" >/dev/null 2>&1 &
  setup=$!
  sleep 4; shot 20-installer-components
  tour click "$setup_caption" 1 || true; sleep 1 # Siguiente: the folder page
  tour click "$setup_caption" 1 || true # Instalar
  sleep 8; shot 21-installer-finished
  # Terminar starts the installed panel; the uninstaller asks it to close.
  tour click "$setup_caption" 1 || true
  wait "$setup" || true
  sleep 3
  # The demo's installation goes again, and the build's servers are registered anew.
  installed="$WINEPREFIX/drive_c/Program Files/Velar/Quillpad"
  wine "$installed/Uninstall.exe" /S >/dev/null 2>&1 || true
  for _ in $(seq 60); do [ -d "$installed" ] || break; sleep 0.5; done
  rm -f "$WINEPREFIX/.quillpad-registered"
  "$here/wine-register.sh"
fi
# The tests start from copies of this prefix: the setting goes again, and the wineserver
# ends so that the registry files on disk say so.
wine reg delete 'HKCU\Software\Velar\2.0\Quillpad' /v ShowInternetSettings /f >/dev/null 2>&1 || true
"$here/wine-stop.sh"
echo "demo: screenshots in $shots"
