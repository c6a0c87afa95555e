#!/usr/bin/env bash
# Checks the installed program as a user meets it, from a built tree (default: build):
# installs it into a temporary DESTDIR, runs the installed programs with a fresh home and
# checks that the per-user settings folder is made and used and nothing is written into
# the prefix; validates the desktop entry and the AppStream metadata; builds the Debian
# package and checks its contents and lintian's verdict. One line per check; exits
# non-zero when any check fails.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
tree=$(realpath "${1:-build}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0
pass() { printf 'ok    %s\n' "$1"; }
fail() {
  printf 'FAIL  %s\n' "$1"
  [ -n "${2:-}" ] && printf '%s\n' "$2" | sed 's/^/      /'
  failures=$((failures + 1))
}
# Runs a check: its name, then the command; the command's output is shown only when it fails.
check() {
  local name=$1 output
  shift
  if output=$("$@" 2>&1); then pass "$name"; else fail "$name" "$output"; fi
}

root=$scratch/root
prefix=$root/usr
home=$scratch/home
mkdir -p "$home" "$scratch/work"

# The installed programs, started as a user would: a fresh home, no XDG folders set, no
# display, from another folder.
as_user() {
  (cd "$scratch/work" && env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 "$@")
}
listing() { (cd "$root" && find . -printf '%p %s %m %T@\n' | sort); }

check "install into a temporary prefix" env DESTDIR="$root" cmake --install "$tree" --prefix /usr
before=$(listing)

installed_files() {
  local missing=() path
  for path in bin/corvane bin/corvane-cli bin/corvane-radio-sim share/corvane/setting.ini \
    share/corvane/lang_en.lng share/corvane/lang_cn.lng share/corvane/demo.vxp \
    share/applications/org.corvane.Corvane.desktop share/metainfo/org.corvane.Corvane.metainfo.xml \
    share/mime/packages/org.corvane.Corvane.xml share/icons/hicolor/scalable/apps/org.corvane.Corvane.svg \
    share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/org.corvane.Corvane.png \
    lib/udev/rules.d/60-corvane.rules share/doc/corvane/copyright share/doc/corvane/changelog.gz; do
    [ -e "$prefix/$path" ] || missing+=("$path")
  done
  [ ${#missing[@]} -eq 0 ] || { echo "missing: ${missing[*]}"; return 1; }
}
check "installed files in place" installed_files

check "corvane-cli new (installed)" as_user "$prefix/bin/corvane-cli" new radio.vxp
check "corvane-cli show (installed)" as_user "$prefix/bin/corvane-cli" show radio.vxp
check "corvane --print-to-pdf (installed)" as_user "$prefix/bin/corvane" --print-to-pdf channels.pdf radio.vxp

user_settings() {
  local settings=$home/.config/corvane/setting.ini
  [ -f "$settings" ] || { echo "no $settings"; return 1; }
  cmp "$settings" "$prefix/share/corvane/setting.ini" || return 1
  [ "$(stat -c %a "$home/.config/corvane")" = 700 ] || { echo "settings folder not 0700"; return 1; }
  # The user's file is the one read: a port named only there is listed.
  printf '\n[ports]\n7=/dev/corvane-install-check\n' >>"$settings"
  as_user "$prefix/bin/corvane-cli" ports | grep -q /dev/corvane-install-check ||
    { echo "corvane-cli ports does not list the port of the user's setting.ini"; return 1; }
}
check "per-user settings folder made and used" user_settings

prefix_untouched() {
  local after
  after=$(listing)
  [ "$before" = "$after" ] || { diff <(echo "$before") <(echo "$after"); return 1; }
}
check "nothing written into the prefix" prefix_untouched

# Each programming-cable chip: the seat's user may open it, and ModemManager leaves it alone.
udev_rule() {
  local rules=$prefix/lib/udev/rules.d/60-corvane.rules id vendor product missing=()
  for id in 1a86:7523 1a86:5523 067b:2303 10c4:ea60 0403:6001 0403:6015; do
    vendor=${id%:*} product=${id#*:}
    grep -E "ATTRS\{idVendor\}==\"$vendor\", ATTRS\{idProduct\}==\"$product\"" "$rules" |
      grep 'TAG+="uaccess"' | grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' || missing+=("$id")
  done
  [ ${#missing[@]} -eq 0 ] || { echo "no rule for ${missing[*]}"; return 1; }
}
check "udev rule for the cable chips" udev_rule

check "desktop-file-validate" desktop-file-validate "$prefix/share/applications/org.corvane.Corvane.desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$prefix/share/metainfo/org.corvane.Corvane.metainfo.xml"

# The package of the same tree; its work folder goes to the scratch folder, not the tree.
deb=""
if output=$(cd "$tree" && cpack -G DEB -B "$scratch/package" 2>&1); then
  deb=$(find "$scratch/package" -maxdepth 1 -name 'corvane_*_*.deb' | head -n 1)
fi
if [ -n "$deb" ]; then pass "cpack -G DEB ($(basename "$deb"))"; else fail "cpack -G DEB" "$output"; fi

package_contents() {
  local contents
  contents=$(dpkg-deb --contents "$deb") || return 1
  local path
  for path in ./usr/bin/corvane ./usr/bin/corvane-cli ./usr/bin/corvane-radio-sim ./usr/share/corvane/setting.ini \
    ./usr/lib/udev/rules.d/60-corvane.rules ./usr/share/applications/org.corvane.Corvane.desktop \
    ./usr/share/doc/corvane/copyright; do
    grep -q " $path\$" <<<"$contents" || { echo "missing $path"; return 1; }
  done
  if grep -v ' root/root ' <<<"$contents"; then echo "files not owned by root"; return 1; fi
  [ "$(dpkg-deb --field "$deb" Section)" = hamradio ] || { echo "Section is not hamradio"; return 1; }
  [ -n "$(dpkg-deb --field "$deb" Depends)" ] || { echo "no Depends"; return 1; }
}
if [ -n "$deb" ]; then
  check "dpkg-deb --contents" package_contents
  # Errors fail the check; warnings are listed for the reader.
  lintian_report() {
    local report
    report=$(lintian --no-cfg "$deb" 2>&1)
    printf '%s\n' "$report" | grep -E '^[EW]: ' || true
    ! grep -q '^E: ' <<<"$report"
  }
  if report=$(lintian_report); then
    pass "lintian: no errors, $(grep -c '^W: ' <<<"$report") warnings"
    [ -n "$report" ] && printf '%s\n' "$report" | sed 's/^/      /'
  else
    fail "lintian" "$report"
  fi
else
  fail "dpkg-deb --contents" "no package"
  fail "lintian" "no package"
fi

[ "$failures" -eq 0 ] || { echo "install check: $failures failed"; exit 1; }
