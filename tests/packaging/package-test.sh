#!/usr/bin/env bash
# package-test.sh BUILD_DIR CPACK APP_ID SOURCE_DIR: builds the Debian package from the build and
# checks it: its name and fields, lintian finds no error, and unpacked into a temporary root it
# holds the executable (which answers --version with the package's version), the desktop entry,
# the icons, the AppStream metadata, the manual page and the Debian documents; the metadata and
# the desktop entry validate; --help and the manual page give the same options, files,
# environment variables and exit codes, and the manual names every variable the code reads.
set -euo pipefail
build=$1 cpack=$2 id=$3 source=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "package-test: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; fail "cpack failed"; }
shopt -s nullglob
debs=("$tmp"/out/*.deb)
((${#debs[@]} == 1)) || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[[ "$(basename "$deb")" == "quillstack_${version}_amd64.deb" ]] || fail "package named $deb"
[[ "$(dpkg-deb -f "$deb" Package)" == quillstack ]] || fail "wrong package name"
depends=$(dpkg-deb -f "$deb" Depends) recommends=$(dpkg-deb -f "$deb" Recommends)
for library in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6svg6 libxcb1; do
    [[ ", $depends," =~ ,\ $library[\ ,] ]] || fail "Depends lacks $library: $depends"
done
for program in xdotool wtype; do
    [[ ", $recommends," == *", $program,"* ]] || fail "Recommends lacks $program: $recommends"
done

# Lintian: errors fail the test; warnings are shown.
lintian --fail-on error "$deb" || fail "lintian reports errors"

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
expected=(usr/bin/quillstack usr/share/{applications/$id.desktop,metainfo/$id.metainfo.xml}
    usr/share/man/man1/quillstack.1.gz usr/share/doc/quillstack/{copyright,changelog.gz}
    "usr/share/icons/hicolor/scalable/apps/$id.svg")
for size in 16 22 24 32 48 64 128 256 512; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
    [[ -f "$root/$file" ]] || fail "the package lacks /$file"
done
[[ -x "$root/usr/bin/quillstack" ]] || fail "/usr/bin/quillstack is not executable"

answer=$("$root/usr/bin/quillstack" --version)
[[ "$answer" == "quillstack $version" ]] || fail "--version answers '$answer', package is $version"

desktop="$root/usr/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the entry"
for line in "Exec=/usr/bin/quillstack" "Exec=/usr/bin/quillstack --toggle" "Icon=$id" \
    "Actions=toggle;" \
    "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input,org_kde_plasma_window_management"; do
    grep -qxF "$line" "$desktop" || fail "the desktop entry lacks the line $line"
done

metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metadata"
for fragment in "<id>$id</id>" "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "<release version=\"$version\"" "<binary>quillstack</binary>"; do
    grep -qF "$fragment" "$metainfo" || fail "the metadata lacks $fragment"
done
screenshots=$(grep -cE '<screenshot[ >]' "$metainfo" || true)
readme_shots=$(grep -o 'docs/screenshot-[a-z-]*\.png' "$source/README.md" | sort -u)
[[ "$screenshots" -eq "$(wc -l <<<"$readme_shots")" ]] ||
    fail "the metadata shows $screenshots screenshots, the README $(wc -l <<<"$readme_shots")"
while read -r shot; do
    grep -qF "/$shot</image>" "$metainfo" || fail "the metadata lacks the README's $shot"
done <<<"$readme_shots"

# The README's install lines name this package.
grep -qF "sudo apt install ./quillstack_${version}_amd64.deb" "$source/README.md" ||
    fail "the README does not install quillstack_${version}_amd64.deb"

# The manual page and --help.
manual=$(zcat "$root/usr/share/man/man1/quillstack.1.gz")
head -n1 <<<"$manual" | grep -qF "\"Quillstack $version\"" || fail "the manual page is not for $version"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/quillstack.1.gz" \
    2>&1 >/dev/null || true)
[[ -z "$warnings" ]] || fail "the manual page has roff warnings: $warnings"
help=$("$root/usr/bin/quillstack" --help)
section() { # the manual's lines from ".SH $1" to the next section
    awk -v name="$1" '/^\.SH/ { inside = ($0 == ".SH " name) ; next } inside' <<<"$manual"
}
for option in --toggle --quit --help --version; do
    grep -qF "${option//-/\\-}" <<<"$(section OPTIONS)" || fail "the manual lacks $option"
    grep -qF -- "$option" <<<"$help" || fail "--help lacks $option"
done
for file in Quillstack/history.json Quillstack/settings.json autostart/quillstack.desktop \
    quillstack.lock quillstack.socket; do
    grep -qF "$file" <<<"$(section FILES)" || fail "the manual lacks $file"
    grep -qF "$file" <<<"$help" || fail "--help lacks $file"
done
variables() { grep -oE '\b[A-Z][A-Z0-9_]{2,}\b' | sort -u; }
manual_variables=$(section ENVIRONMENT | grep -E '^\.BR? ' | variables)
help_variables=$(sed -n '/^Environment:/,/^$/p' <<<"$help" | variables)
[[ "$manual_variables" == "$help_variables" ]] ||
    fail "environment: the manual names $(echo $manual_variables), --help $(echo $help_variables)"
code_variables=$(grep -rhoE '(qEnvironmentVariable[A-Za-z]*|qgetenv|getenv)\("[A-Z0-9_]+"' \
    "$source/src" | grep -oE '"[A-Z0-9_]+"' | tr -d '"' | sort -u)
for variable in $code_variables; do
    grep -qxF "$variable" <<<"$manual_variables" || fail "the code reads $variable; the manual omits it"
done
for status in 0 1 2; do
    grep -qxF ".B $status" <<<"$(section 'EXIT STATUS')" || fail "the manual lacks exit status $status"
    grep -qE "(^|[ ;])$status " <<<"$(sed -n '/^Exit status:/,/^$/p' <<<"$help")" ||
        fail "--help lacks exit status $status"
done
echo "package-test: ok ($(basename "$deb"))"
