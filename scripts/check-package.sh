#!/usr/bin/env bash
# Checks the release package the way a page author uses it: builds it (scripts/package.sh),
# unpacks it, registers the control with regsvr32 from the unpacked folder in a fresh Wine
# prefix, and runs the unpacked example page in the page host against the test pyftpdlib
# (TAVO_PYFTPD_* from scripts/with-servers.sh or scripts/test.sh), with a scripted
# send-share. Writes one line per check to RESULTS/package.tsv ("name<TAB>passed|failed").
#
#   check-package.sh RESULTS_DIR FLAVOUR      FLAVOUR: win32 or win64, the page host's build
#
# Settings: TAVO_BUILD_DIR (build). Needs DISPLAY.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVO_BUILD_DIR:-$root/build}
results=$1 flavour=$2
report=$results/package.tsv
work=$build/package-check
: >"$report"
check() { # NAME RC
    local outcome=passed
    [ "$2" -eq 0 ] || outcome=failed
    printf '%s\t%s\n' "$1" "$outcome" >>"$report"
    echo "package: $1: $outcome"
}

package=$(bash "$root/scripts/package.sh" | tail -n 1)
[ -f "$package" ]
check "built" $?
[ -f "$package" ] || exit 1

rm -rf "$work"
mkdir -p "$work"
python3 -m zipfile -e "$package" "$work/unpacked"
top=$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d | head -n 1)
missing=0
for file in i686/cn/TavoProj1.ocx i686/en/TavoProj1.ocx x86_64/cn/TavoProj1.ocx \
    x86_64/en/TavoProj1.ocx typelib/TavoProj1.idl typelib/TavoProj1-cn.tlb \
    typelib/TavoProj1-en.tlb examples/ftp_area.html page-authors.md; do
    [ -s "$top/$file" ] || { echo "package: missing $file"; missing=1; }
done
check "contents" $missing

arch=i686 loader=/usr/lib/wine/wine
[ "$flavour" = win64 ] && arch=x86_64 loader=/usr/lib/wine/wine64
prefix=$work/wine-$flavour
wine=(bash "$root/cmake/wine-run.sh" "$loader" "$prefix")
"${wine[@]}" regsvr32 /s "Z:$top/$arch/cn/TavoProj1.ocx"
check "registered from the unpacked folder ($arch)" $?

query=$(python3 -c 'import sys, urllib.parse; print(urllib.parse.urlencode(dict(zip(sys.argv[1::2], sys.argv[2::2]))))' \
    host "$TAVO_PYFTPD_HOST" port "$TAVO_PYFTPD_PORT" user "$TAVO_PYFTPD_USER" password "$TAVO_PYFTPD_PASS")
timeout -k 5 150 "${wine[@]}" "$build/$flavour/tools/tavo_page/tavo_page.exe" \
    "Z:$top/examples/ftp_area.html?$query" --click "select:name with spaces.txt" --click share \
    --click send-share --exit-after 8000 >"$work/page.log" 2>&1
page_rc=$?
cat "$work/page.log"
[ $page_rc -eq 0 ] && grep -q "^1 file(s) shared" "$work/page.log"
check "example page from the unpacked folder" $?
bash "$root/cmake/wine-run.sh" --kill "$prefix" 2>/dev/null
grep -q failed "$report" && exit 1
exit 0
