# Sourced by the other scripts: the Wine environment of one build tree.
# Expects QP_BUILD (the build directory). Nothing here touches ~/.wine or $DISPLAY
# of the user: prefix and display both live inside the build tree.
: "${QP_BUILD:?QP_BUILD must name the build directory}"
QP_BUILD=$(cd "$QP_BUILD" && pwd)
QP_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
QP_WINE_DIR="$QP_BUILD/wine"
mkdir -p "$QP_WINE_DIR"

export WINEARCH=win64
export WINEPREFIX="${QP_PREFIX:-$QP_WINE_DIR/prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
# comctl32's stock buttons follow the UI language.
export LC_ALL=es_ES.UTF-8
# WinINet honours http_proxy even for 127.0.0.1.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
