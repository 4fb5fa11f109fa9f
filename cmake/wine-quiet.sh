#!/bin/sh
# Runs a Windows program under Wine of the given width (win32 or win64) without Wine's log (unless
# WINEDEBUG asks for it), its .NET and HTML installers, menu entries or crash dialog:
#
#     wine-quiet.sh win32|win64 PROGRAM [ARGUMENT...]
#
# The caller chooses the prefix: falling back to ~/.wine would touch the user's own Wine set-up.
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-quiet.sh: set WINEPREFIX to a prefix of the build's own" >&2
    exit 2
fi
case "${1:-}" in
win32)
    # Debian's loader for 32-bit programs; the wrapper on PATH would quietly take the 64-bit one
    # when it is missing.
    loader=/usr/lib/wine/wine
    ;;
win64)
    loader=/usr/lib/wine/wine64
    export WINELOADER=$loader
    ;;
*)
    echo "wine-quiet.sh: the first argument is win32 or win64, not '${1:-}'" >&2
    exit 2
    ;;
esac
export WINEARCH=$1
shift
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
exec "$loader" "$@"
