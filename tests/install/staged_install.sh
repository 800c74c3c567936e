#!/usr/bin/env bash
# Runs `make install` into temporary DESTDIR stages and checks the installed
# tree: every file and nothing else, the command's link to the program folder,
# re-installing over an earlier install, and the installed program's --version
# and --help (neither needs a display). Needs a built Driftway in BUILD.
set -euo pipefail
src=$1
build=$2
version=$3
program_dir=$4
appstream_id=$5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The Makefile's own rule, without rebuilding, and without whatever make
# invocation runs this test.
run_make_install() {
  env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL -u PREFIX -u DESTDIR \
    make -s -C "$src" -o build install BUILD="$build" "$@" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "make install $* failed"; }
}

expected_files() {  # PREFIX below the stage, without its leading /
  local root=$1
  echo "$root/bin/Driftway"
  echo "$root/$program_dir/Driftway"
  (cd "$src/support" && find . -type f | sed "s|^\.|$root/$program_dir/support|")
  echo "$root/share/applications/driftway.desktop"
  echo "$root/share/metainfo/$appstream_id.metainfo.xml"
  (cd "$src/resources/icons" && find hicolor -type f | sed "s|^|$root/share/icons/|")
  echo "$root/share/man/man1/Driftway.1"
}

check_tree() {  # STAGE PREFIX-without-leading-/
  local stage=$1 root=$2
  local actual expected
  actual=$(cd "$stage" && find . -type f -o -type l | sed 's|^\./||' | sort)
  expected=$(expected_files "$root" | sort)
  [ "$actual" = "$expected" ] ||
    fail "installed files differ from the expected ones:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"

  local command="$stage/$root/bin/Driftway"
  [ -L "$command" ] || fail "bin/Driftway is not a symbolic link"
  case $(readlink "$command") in /*) fail "bin/Driftway links by an absolute path: $(readlink "$command")" ;; esac
  [ "$(realpath "$command")" = "$(realpath "$stage/$root/$program_dir/Driftway")" ] ||
    fail "bin/Driftway does not lead to the program folder"
  [ -x "$stage/$root/$program_dir/Driftway" ] || fail "the installed program is not executable"
  diff -r "$src/support" "$stage/$root/$program_dir/support" >/dev/null ||
    fail "support/ beside the installed program differs from the source"
}

# A packager's install: PREFIX=/usr into a stage, then again over it.
stage="$work/stage"
run_make_install PREFIX=/usr DESTDIR="$stage"
check_tree "$stage" usr
run_make_install PREFIX=/usr DESTDIR="$stage"
check_tree "$stage" usr

command="$stage/usr/bin/Driftway"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$command" --version) || fail "--version failed"
[ "$out" = "Driftway $version" ] || fail "--version printed '$out'"
help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$command" --help) || fail "--help failed"
grep -q '^Usage: Driftway' <<<"$help" || fail "--help prints no usage line"
# Every option the program explains is documented in the man page as well.
options=$(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
[ -n "$options" ] || fail "--help lists no options"
for option in $options; do
  grep -q -- "^\.B ${option//-/'\\-'}\$" "$stage/usr/share/man/man1/Driftway.1" ||
    fail "the man page does not document $option"
done

desktop-file-validate "$stage/usr/share/applications/driftway.desktop" || fail "the installed desktop entry is invalid"
appstreamcli validate-tree --no-net "$stage/usr" >"$work/tree.log" 2>&1 ||
  { cat "$work/tree.log" >&2; fail "appstreamcli rejects the installed tree"; }

# Without PREFIX, make install goes to /usr/local.
run_make_install DESTDIR="$work/default"
check_tree "$work/default" usr/local

# A direct install (no DESTDIR) also refreshes the desktop's caches.
direct="$work/direct"
run_make_install PREFIX="$direct"
[ -x "$direct/bin/Driftway" ] || fail "a direct install has no runnable bin/Driftway"
if command -v update-desktop-database >/dev/null; then
  [ -f "$direct/share/applications/mimeinfo.cache" ] || fail "the desktop database was not refreshed"
fi
if command -v gtk-update-icon-cache >/dev/null; then
  [ -f "$direct/share/icons/hicolor/icon-theme.cache" ] || fail "the icon cache was not refreshed"
fi
echo "staged install ok"
