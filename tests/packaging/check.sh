#!/usr/bin/env bash
# What a build tree installs, checked two ways
# (check.sh install|deb <build tree> <scratch folder>):
#   install  cmake --install under a scratch prefix; the files, the desktop entry and the metainfo;
#   deb      the .deb CPack makes: its control data and contents, then the program started from
#            the unpacked package for five seconds on the offscreen platform.
# Both run an export from the installed program.
set -euo pipefail
mode=$1 build=$2 scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The tools run under CTest's C.UTF-8, whose messages this script reads; the program under the
# users' locale.
users_locale=(LC_ALL=ru_RU.UTF-8 LANG=ru_RU.UTF-8)

sizes=(16 24 32 48 64 128 256)
expected=(
    bin/eklz-journal
    share/applications/eklz-journal.desktop
    share/metainfo/eklz-journal.metainfo.xml
    share/icons/hicolor/scalable/apps/eklz-journal.svg
)
for size in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/eklz-journal.png")
done

# Every file is there, the program runs, each PNG has the size its folder promises.
check_tree() {
    local prefix=$1 file size
    for file in "${expected[@]}"; do
        [ -f "$prefix/$file" ] || fail "$file is missing under $prefix"
    done
    [ -x "$prefix/bin/eklz-journal" ] || fail "bin/eklz-journal is not executable"
    for size in "${sizes[@]}"; do
        file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/eklz-journal.png" |
            grep -q "^PNG image data, $size x $size," || fail "the ${size}x${size} icon is no such PNG"
    done
    # A journal of one row exported.
    local journal=$scratch/one.csv sheet=$scratch/one-${prefix##*/}.ods errors
    printf 'Альфа;;;0001;;01.02.2025;;Яковлев;\r\n' | iconv -f UTF-8 -t CP1251 >"$journal"
    errors=$(env "${users_locale[@]}" ASAN_OPTIONS=detect_leaks=0 \
        "$prefix/bin/eklz-journal" --export "$sheet" "$journal" 2>&1) ||
        fail "the installed program did not export: $errors"
    [ -s "$sheet" ] || fail "the installed program wrote no $sheet"
}

check_install() {
    local prefix=$scratch/prefix
    cmake --install "$build" --prefix "$prefix" >/dev/null
    check_tree "$prefix"

    local desktop=$prefix/share/applications/eklz-journal.desktop
    local metainfo=$prefix/share/metainfo/eklz-journal.metainfo.xml
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
    # The component is named as the program, its desktop entry and its icon are: the project has
    # no domain of its own to build a reverse-DNS name from.
    appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info "$metainfo" ||
        fail "appstreamcli rejects the metainfo"

    # The entry starts what was installed and shows the icon installed; the metainfo launches
    # that entry.
    local command icon launchable
    command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [ -x "$prefix/bin/$command" ] || fail "Exec=$command is not the installed program"
    for size in "${sizes[@]}"; do
        [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] ||
            fail "Icon=$icon has no ${size}x${size} image"
    done
    [ -f "$prefix/share/applications/$launchable" ] ||
        fail "the metainfo launches $launchable, which is not installed"
}

check_deb() {
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
        { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
    local debs=("$scratch"/out/eklz-journal_*.deb)
    [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single eklz-journal_*.deb"
    local deb=${debs[0]}

    [ "$(dpkg-deb -f "$deb" Package)" = eklz-journal ] || fail "the package is not eklz-journal"
    local depends library
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6; do
        grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends does not name $library"
    done
    # The spreadsheet libraries the export links.
    for library in 'libxlsxwriter[0-9]+' 'libzip[0-9]+'; do
        grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends does not name $library"
    done

    # The files expected under /usr, and no others.
    local listed file
    listed=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's:^\./usr/::')
    for file in "${expected[@]}"; do
        grep -qxF "$file" <<<"$listed" || fail "the package lacks /usr/$file"
    done
    while read -r file; do
        printf '%s\n' "${expected[@]}" | grep -qxF "$file" || fail "the package holds a stray $file"
    done <<<"$listed"

    dpkg -x "$deb" "$scratch/root"
    check_tree "$scratch/root/usr"
    # A home of its own, so that no settings or journals of the user's are read or written.
    # Five seconds without exiting is a window up and running; the sanitizer build's leak check
    # would report whatever Qt holds when the timeout ends it.
    local status=0 home=$scratch/home
    mkdir -p "$home"
    mkdir -m 700 "$scratch/runtime"
    (cd "$scratch" && env "${users_locale[@]}" HOME=$home XDG_CONFIG_HOME=$home/.config \
        XDG_DATA_HOME=$home/.local/share XDG_RUNTIME_DIR=$scratch/runtime \
        QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
        timeout 5 "$scratch/root/usr/bin/eklz-journal") || status=$?
    [ "$status" -eq 124 ] || fail "the unpacked program ended with status $status within 5 s"
}

case $mode in
install) check_install ;;
deb) check_deb ;;
*) fail "unknown mode $mode" ;;
esac
echo "packaging $mode: ok"
