#!/usr/bin/env bash
# Builds the Debian packages of a configured build directory with cpack, checks each with lintian
# (any error fails), unpacks them all into a scratch root with dpkg -x (nothing is installed on
# this machine) and runs the programs from there, on the libraries beside them only. Prints one
# line per package: name, version, sizes, lintian warnings.
#
#   packaging/check-packages.sh BUILD_DIR
set -euo pipefail

usage="usage: $0 BUILD_DIR"
build=$(cd "${1:?$usage}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
[[ -f $build/CPackConfig.cmake ]] || { echo "$build: not a configured build directory" >&2; exit 2; }
started=$SECONDS

# The version the programs must report, from the project itself.
version=$(sed -n 's/^project(dvrconfig VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[[ -n $version ]] || { echo "no project version in $source_dir/CMakeLists.txt" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# 1. The packages, from an up-to-date build (cpack itself builds nothing).
if ! cmake --build "$build" >"$scratch/build.log" 2>&1; then
    tail -50 "$scratch/build.log" >&2
    echo "the build failed" >&2
    exit 1
fi
rm -rf "$build/packages"
if ! (cd "$build" && cpack -G DEB) >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    echo "cpack failed" >&2
    exit 1
fi
grep -i 'warning' "$scratch/cpack.log" >&2 || true
packages=(dvrconfig-plugin dvrconfig-sdk dvrcfg dvr-simulator dvrhost)
arch=$(dpkg --print-architecture)
declare -A deb
for p in "${packages[@]}"; do
    deb[$p]=$build/packages/${p}_${version}_${arch}.deb
    [[ -f ${deb[$p]} ]] || fail "no package ${deb[$p]##*/}"
done
((failures == 0)) || exit 1
shopt -s nullglob
extra=("$build"/packages/*.deb)
((${#extra[@]} == ${#packages[@]})) || fail "cpack wrote other packages too: ${extra[*]##*/}"

# 2. lintian, all packages in one run; an error fails.
lintian_status=0
lintian --no-cfg --fail-on error "${deb[@]}" >"$scratch/lintian.txt" 2>&1 || lintian_status=$?
cat "$scratch/lintian.txt"
if ((lintian_status != 0)) || grep -q '^E: ' "$scratch/lintian.txt"; then
    fail "lintian reports errors (exit status $lintian_status)"
fi

# 3. What each package holds, and what it needs.
libdir=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/dvrconfig
declare -A expected=(
    [dvrconfig-plugin]="$libdir/libdvrconfig.so"
    [dvrconfig-sdk]="$libdir/libquellport.so $libdir/libdvrsim.so"
    [dvrcfg]="usr/bin/dvrcfg usr/share/man/man1/dvrcfg.1.gz usr/share/bash-completion/completions/dvrcfg
              usr/share/doc/dvrcfg/README.md.gz"
    [dvr-simulator]="usr/bin/dvr-simulator usr/share/man/man1/dvr-simulator.1.gz"
    [dvrhost]="usr/bin/dvrhost $libdir/dvrhost usr/share/man/man1/dvrhost.1.gz"
)
declare -A needs=(
    [dvrcfg]="dvrconfig-sdk (= $version)"
    [dvr-simulator]="dvrconfig-sdk (= $version)"
    [dvrhost]="dvrconfig-sdk (= $version)|dvrconfig-plugin (= $version)"
)
for p in "${packages[@]}"; do
    dpkg-deb -c "${deb[$p]}" | awk '{ sub(/^\.\//, "", $6); print $6 }' >"$scratch/$p.files"
    for f in ${expected[$p]} usr/share/doc/$p/copyright usr/share/doc/$p/changelog.gz; do
        grep -qxF "$f" "$scratch/$p.files" || fail "$p does not hold $f"
    done
    depends=$(dpkg-deb -f "${deb[$p]}" Depends)
    [[ $depends == *libc6* ]] || fail "$p: no shared-library dependencies from dpkg-shlibdeps: $depends"
    if [[ -n ${needs[$p]:-} ]]; then
        IFS='|' read -ra wanted <<<"${needs[$p]}"
        for w in "${wanted[@]}"; do
            [[ $depends == *"$w"* ]] || fail "$p does not depend on $w: $depends"
        done
    fi
done
[[ $(dpkg-deb -f "${deb[dvrconfig-plugin]}" Recommends) == *"dvrconfig-sdk (= $version)"* ]] ||
    fail "dvrconfig-plugin does not recommend dvrconfig-sdk"

# 4. Unpacked into a scratch root, the programs run on the libraries in that root alone: their
# RUNPATH is relative to $ORIGIN and names no build directory.
root=$scratch/root
for p in "${packages[@]}"; do dpkg -x "${deb[$p]}" "$root"; done
unset LD_LIBRARY_PATH
for elf in "$root/usr/bin/dvrcfg" "$root/usr/bin/dvr-simulator" "$root/$libdir"/*; do
    [[ -L $elf ]] && continue
    file -b "$elf" | grep -q '^ELF' || continue
    runpath=$(readelf -d "$elf" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
    [[ -z $(readelf -d "$elf" | grep '(RPATH)') ]] || fail "${elf#"$root"/} has an RPATH rather than a RUNPATH"
    [[ $runpath == "" || $runpath == '$ORIGIN'* ]] || fail "${elf#"$root"/}: RUNPATH $runpath is not relative"
    [[ $runpath != *"$build"* ]] || fail "${elf#"$root"/}: RUNPATH names the build directory"
    [[ $(file -b "$elf") == *", stripped"* ]] || fail "${elf#"$root"/} is not stripped"
done
resolved=$(ldd "$root/usr/bin/dvrcfg" | awk '/libquellport|libdvrsim/ { print $3 }')
for lib in libquellport.so libdvrsim.so; do
    grep -qxF "$(realpath -m "$root/$libdir/$lib")" <<<"$(realpath -m $resolved)" ||
        fail "dvrcfg does not load $lib from the scratch root: $resolved"
done

run() { # run NAME COMMAND...: the output in $scratch/NAME.out
    local name=$1
    shift
    if ! "$@" >"$scratch/$name.out" 2>&1; then
        fail "$name failed: $*"
        sed 's/^/  | /' "$scratch/$name.out" >&2
        return 1
    fi
}
if run version "$root/usr/bin/dvrcfg" --version; then
    [[ $(cat "$scratch/version.out") == "dvrcfg $version" ]] ||
        fail "dvrcfg --version says \"$(cat "$scratch/version.out")\", not dvrcfg $version"
fi
backup=$scratch/site.json
if run backup "$root/usr/bin/dvrcfg" backup 'sim://type=82&channels=4' -o "$backup" &&
    run show "$root/usr/bin/dvrcfg" show "$backup" --record device; then
    grep -q '^device · deviceType = 82\b' "$scratch/show.out" ||
        fail "dvrcfg show: no device type 82 in $(head -c 300 "$scratch/show.out")"
fi
run simulator "$root/usr/bin/dvr-simulator" --help && grep -q -- '--control-port' "$scratch/simulator.out" ||
    fail "dvr-simulator --help lists no --control-port"
# The demo host through its link in /usr/bin: it loads the plug-in from the private directory, and
# the plug-in takes the SDK from the process, so every page is loaded and written.
if QT_QPA_PLATFORM=offscreen run host "$root/usr/bin/dvrhost" --screenshots "$scratch/shots"; then
    pages=("$scratch"/shots/[0-9]*.png)
    ((${#pages[@]} >= 6)) || fail "dvrhost wrote ${#pages[@]} pages"
fi

# 5. The man pages render without groff's complaints and name every command.
for page in dvrcfg dvr-simulator dvrhost; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" \
        >"$scratch/$page.man" 2>"$scratch/$page.manerr" || fail "man -l $page.1.gz failed"
    [[ ! -s $scratch/$page.manerr ]] || fail "man $page: $(cat "$scratch/$page.manerr")"
    grep -q '^SYNOPSIS' "$scratch/$page.man" || fail "man $page: no SYNOPSIS"
done
for c in backup show diff edit restore apply; do
    grep -q "^       dvrcfg $c " "$scratch/dvrcfg.man" || fail "man dvrcfg: no synopsis of $c"
done

# 6. The installed completion offers what the installed dvrcfg takes: its commands, each command's
# options as its --help lists them, and the record kinds.
PATH=$root/usr/bin:$PATH bash -c '
    set -u
    source "$1"
    offered() { COMP_LINE=$1; COMP_POINT=${#1}; COMPREPLY=(); _dvrcfg; printf "%s\n" "${COMPREPLY[@]}" | sort; }
    status=0
    differ() { echo "FAIL: completion of \"$1\": offered $(echo $2) but dvrcfg lists $(echo $3)" >&2; status=1; }
    commands=$(dvrcfg --help | awk "/^Commands:/ { on = 1; next } on && /^  [a-z]/ { print \$1 } on && !/^ / { exit }" | sort)
    [[ -n $commands && $(offered "dvrcfg ") == "$commands" ]] || differ "dvrcfg " "$(offered "dvrcfg ")" "$commands"
    for c in $commands; do
        listed=$(dvrcfg $c --help | awk "/^Options:/ { on = 1; next } on" | grep -oE "^  (-[a-z], )?--[a-z-]+" |
            tr -d , | tr " " "\n" | grep . ; printf -- "-h\n--help\n")
        listed=$(sort <<<"$listed")
        [[ $(offered "dvrcfg $c -") == "$listed" ]] || differ "dvrcfg $c -" "$(offered "dvrcfg $c -")" "$listed"
    done
    kinds=$(dvrcfg --help | awk "/^Record kinds/ { getline; gsub(/[ ,]+/, \"\\n\"); print; exit }" | grep . | sort)
    [[ -n $kinds && $(offered "dvrcfg show x.json --record ") == "$kinds" ]] ||
        differ "--record " "$(offered "dvrcfg show x.json --record ")" "$kinds"
    [[ $(offered "dvrcfg backup si") == "sim://" ]] || differ "backup si" "$(offered "dvrcfg backup si")" "sim://"
    exit $status
' completion-check "$root/usr/share/bash-completion/completions/dvrcfg" || fail "bash completion"

# 7. One line per package.
for p in "${packages[@]}"; do
    warnings=$(awk -v p="$p" '$1 == "W:" && $2 == p ":" { print $3 }' "$scratch/lintian.txt" | sort | uniq -c |
        awk '{ printf "%s%s%s", (NR > 1 ? ", " : ""), $2, ($1 > 1 ? " x" $1 : "") }')
    errors=$(awk -v p="$p" '$1 == "E:" && $2 == p ":"' "$scratch/lintian.txt" | wc -l)
    printf '%-17s %-6s %7s KiB installed %7s KiB .deb  lintian: %s error(s), warnings: %s\n' "$p" \
        "$(dpkg-deb -f "${deb[$p]}" Version)" "$(dpkg-deb -f "${deb[$p]}" Installed-Size)" \
        "$(($(stat -c %s "${deb[$p]}") / 1024))" "$errors" "${warnings:-none}"
done
echo "packages checked in $((SECONDS - started)) s"
if ((failures)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
