#!/usr/bin/env bash
# Builds the Debian package into a temporary folder, unpacks it with dpkg-deb -x and checks
# what it installs: the programs, the help text where the help window looks for it, the
# menu entry (desktop-file-validate), the icons, the manual page, the control fields, and
# that the unpacked zorkan-cli designs a filter. Needs neither root nor network.
#   check-package.sh CPACK BUILD_FOLDER SOURCE_FOLDER VERSION
set -euo pipefail

cpack=$1 build=$2 source=$3 version=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# ---- build and unpack ----
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
arch=$(dpkg --print-architecture)
deb="$work/out/zorkan_${version}_${arch}.deb"
[ -f "$deb" ] || { ls -l "$work/out" >&2; echo "FAIL: no $deb" >&2; exit 1; }
dpkg-deb -x "$deb" "$work/root"
root=$work/root

# ---- control fields ----
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zorkan ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), expected $version"
depends=$(field Depends)
# Package names only, one a line: "libc6 (>= 2.34), libjpeg62-turbo" -> libc6, libjpeg62-turbo.
dependNames=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
# From dpkg-shlibdeps (the linked libraries) and from the list of run-time needs.
for need in libc6 libstdc++6 libqt6widgets6 libjpeg62-turbo qt6-qpa-plugins libqt6multimedia6 \
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good qt6-translations-l10n; do
    grep -Fxq "$need" <<<"$dependNames" || fail "Depends lacks $need: $depends"
done

# ---- exactly these files, nothing else (no headers, libraries or test programs) ----
expected=(
    usr/bin/zorkan
    usr/bin/zorkan-cli
    usr/share/zorkan/help.txt
    usr/share/applications/zorkan.desktop
    usr/share/man/man1/zorkan-cli.1.gz
    usr/share/man/man1/zorkan.1.gz
)
for size in 16 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/zorkan.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . -type f | sed 's|^\./||' | sort) ||
    fail "the package's files differ from the list above (< missing, > unexpected)"

for program in zorkan zorkan-cli; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
    # Stripped: no debugging sections in the package.
    if readelf -S "$root/usr/bin/$program" 2>/dev/null | grep -q '\.debug_info'; then
        fail "usr/bin/$program is not stripped"
    fi
done

# ---- help text, where the help window looks for it beside the program ----
fromBin=$(sed -n 's/^#define ZORKAN_DATA_FROM_BIN "\(.*\)"$/\1/p' "$build/generated/zorkanconfig.h")
cmp -s "$source/assets/help.txt" "$root/usr/bin/$fromBin/help.txt" ||
    fail "usr/bin/$fromBin/help.txt is not assets/help.txt"

# ---- menu entry ----
entry=$root/usr/share/applications/zorkan.desktop
if ! report=$(desktop-file-validate "$entry" 2>&1) || [ -n "$report" ]; then
    fail "desktop-file-validate: $report"
fi
entryKey() { sed -n "s/^$1=//p" "$entry"; }
[ -x "$root/usr/bin/$(entryKey Exec | cut -d' ' -f1)" ] || fail "Exec= names no installed program"
[ "$(entryKey Icon)" = zorkan ] || fail "Icon=$(entryKey Icon)"
grep -q '^Comment\[ru\]=.*цифровых фильтров' "$entry" || fail "no Russian comment"

# ---- icons: PNG files of the size their folder names ----
for size in 16 24 32 48 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/zorkan.png
    [ -f "$icon" ] || continue
    # The PNG signature, then IHDR with width and height as 32-bit big-endian numbers.
    header=$(od -An -tx1 -N24 "$icon" | tr -d ' \n')
    want=$(printf '89504e470d0a1a0a0000000d49484452%08x%08x' "$size" "$size")
    [ "$header" = "$want" ] || fail "$icon is not a ${size}x${size} PNG"
done

# ---- manual pages: help2man's page of this version, with every command; zorkan's ----
page=$(zcat "$root/usr/share/man/man1/zorkan-cli.1.gz") || fail "manual page is not gzip"
grep -q "^\.TH ZORKAN-CLI \"1\" .*\"zorkan-cli $version\"" <<<"$page" || fail "manual page header"
for command in $("$root/usr/bin/zorkan-cli" --help | sed -n '/^Команды:/,/^$/s/^  \([a-z-]*\) .*/\1/p'); do
    grep -q "^\.SS $command\$" <<<"$page" || fail "manual page lacks the command $command"
done
zcat "$root/usr/share/man/man1/zorkan.1.gz" | grep -q "^\.TH ZORKAN 1 .*\"zorkan $version\"" ||
    fail "manual page of zorkan: header"
if command -v man >/dev/null; then
    rendered=$(MANWIDTH=80 LC_ALL=C.UTF-8 man -l "$root/usr/share/man/man1/zorkan-cli.1.gz" 2>&1)
    grep -q -- '--approx A' <<<"$rendered" || fail "man does not render the design options"
    rendered=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$root/usr/share/man/man1/zorkan.1.gz" 2>&1)
    grep -q 'zorkan-cli(1)' <<<"$rendered" || fail "man does not render zorkan(1): $rendered"
    grep -qi 'warning' <<<"$rendered" && fail "groff warns on zorkan(1): $rendered"
fi

# ---- the unpacked command-line program works from any folder ----
mkdir "$work/run"
(cd "$work/run" && "$root/usr/bin/zorkan-cli" --version) | grep -qx "zorkan-cli $version" ||
    fail "zorkan-cli --version"
(cd "$work/run" && "$root/usr/bin/zorkan-cli" design --approx chebyshev --report r.out \
    --filter f.flt >"$work/design.log" 2>&1) || fail "zorkan-cli design: $(cat "$work/design.log")"
[ -s "$work/run/r.out" ] && [ -s "$work/run/f.flt" ] || fail "zorkan-cli design wrote no report"
# Stripped and packed, it writes the same bytes as the program of the build folder.
mkdir "$work/built"
(cd "$work/built" && "$build/zorkan-cli" design --approx chebyshev --report r.out \
    --filter f.flt >/dev/null 2>&1) || fail "the built zorkan-cli design failed"
for file in r.out f.flt; do
    cmp -s "$work/run/$file" "$work/built/$file" || fail "$file differs from the built program's"
done

[ "$failures" -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "package $(basename "$deb") checked: ${#expected[@]} files"
