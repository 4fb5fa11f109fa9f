#!/usr/bin/env bash
# Builds the Debian package as a distribution would (its own build folder, the compiler and linker
# flags of dpkg-buildflags with all hardening features) and checks it with Debian's own tools:
# lintian must report no error and no warning, and the menu entry and the AppStream metadata
# must pass their validators. Prints the package's path last.
#
#     tools/check-package.sh [BUILD-FOLDER]     (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-package}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# Only what the package holds is built: the install step does not ask for the tests.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target vantoro-client vt_linux_docs

out="$build/package"
rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$PWD/package" >/dev/null)
deb=$(ls "$out"/vantoro-client_*.deb)

status=0
echo "== lintian $(basename "$deb")"
lintian --display-info --fail-on error,warning "$deb" || status=1

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
for entry in "$root"/usr/share/applications/*.desktop; do
    echo "== desktop-file-validate $(basename "$entry")"
    # Its hints count too: more than one main category, for one, shows the entry twice in menus.
    report=$(desktop-file-validate "$entry" 2>&1) || status=1
    if [ -n "$report" ]; then
        echo "$report"
        status=1
    fi
done
for metainfo in "$root"/usr/share/metainfo/*.xml; do
    echo "== appstreamcli validate $(basename "$metainfo")"
    appstreamcli validate --no-net "$metainfo" || status=1
done

if [ $status -ne 0 ]; then
    echo "The package does not pass Debian's checks." >&2
    exit 1
fi
echo "$deb"
