#!/usr/bin/env bash
# Checks the desktop entry, the AppStream metainfo and the man page with the
# desktop's own validators, and that the metainfo and man page name the version
# the build produces. Needs desktop-file-utils, appstream and groff-base.
set -euo pipefail
src=$1
version=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$src/data/driftway.desktop" || fail "desktop-file-validate rejects the desktop entry"
appstreamcli validate --no-net "$src/data/driftway.metainfo.xml" || fail "appstreamcli rejects the metainfo"

warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$src/data/Driftway.1" 2>&1)
[ -z "$warnings" ] || fail "groff warns about the man page: $warnings"

# Releases are listed newest first; the newest one is the version being built.
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$src/data/driftway.metainfo.xml" | head -n 1)
[ "$release" = "$version" ] || fail "the metainfo's newest release is '$release', the build is $version"
grep -q "^\.TH .*\"Driftway $version\"" "$src/data/Driftway.1" || fail "the man page's title line does not name Driftway $version"

# Software centres find the program through the launchable and the icon names.
grep -q '<launchable type="desktop-id">driftway.desktop</launchable>' "$src/data/driftway.metainfo.xml" ||
  fail "the metainfo does not launch driftway.desktop"
icon=$(sed -n 's/^Icon=//p' "$src/data/driftway.desktop")
[ -f "$src/resources/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon named '$icon'"
echo "metadata ok"
