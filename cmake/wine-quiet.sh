#!/bin/sh
# Runs a Windows program under 32-bit Wine without Wine's log, its .NET and HTML installers, menu
# entries or crash dialog. The caller chooses the prefix: falling back to ~/.wine would touch the
# user's own Wine set-up.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-quiet.sh: set WINEPREFIX to a prefix of the build's own" >&2
    exit 2
fi
export WINEDEBUG=-all
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
exec wine "$@"
