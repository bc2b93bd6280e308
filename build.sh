#!/usr/bin/env bash
# Installs what the build needs (Debian 12), builds, then runs Kestrin or the tests.
#   bash build.sh run    build and open Kestrin on the sample configuration
#   bash build.sh test   build and run every test
#   bash build.sh sanitize   build in build-asan with AddressSanitizer and UndefinedBehaviorSanitizer
#                            and run every test there; with CC=clang CXX=clang++ the build is made
#                            by clang, in build-asan-clang
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libsqlite3-dev libxlsxwriter-dev
          libquazip1-qt6-dev libshp-dev libgtest-dev libbenchmark-dev locales
          qt6-translations-l10n)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# clang's sanitizers come in a package of their own.
clang=false
if [ "$mode" = sanitize ] && [[ "${CXX:-}" == *clang* ]]; then
    clang=true
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

ensure_russian_locale() {
    # One test checks that a Russian locale does not turn the decimal point into a comma.
    if ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
        as_root localedef -i ru_RU -f UTF-8 ru_RU.UTF-8 || true
    fi
}

if [ "$mode" = sanitize ]; then
    asan=build-asan
    if $clang; then asan=build-asan-clang; fi
    cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIN_SANITIZE=ON
    cmake --build "$asan" -j"$(nproc)"
    ensure_russian_locale
    # Leaks are reported too: a test that leaks fails like one that reads freed memory.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir "$asan" --output-on-failure -j"$(nproc)"
    exit
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

case "$mode" in
test)
    ensure_russian_locale
    ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
run)
    ini=build/bin/kestrin.ini
    if [ ! -f "$ini" ]; then
        # Attach the sample configuration, and the old-layout one that Tormik brings up to date;
        # the program asks for a folder only on a true first run.
        printf '[Конфигурации]\r\nОбразец=%s\r\nОбразец (до преобразования)=%s\r\n\r\n[Конфигурация]\r\nYear=2025\r\nLast=0\r\n' \
            "$PWD/build/sample/Образец" "$PWD/build/sample/Образец (до преобразования)" \
            | iconv -f UTF-8 -t CP1251 > "$ini"
    fi
    names=build/bin/ShortNames.txt
    if [ ! -f "$names" ]; then
        # Sample short names for the export of one table per institution; "Ключевской ФАП" is
        # left without one so that the program asks for it. Never written over a user's file.
        printf '%s\t%s\r\n' \
            'Малиновская участковая больница' 'Малиновская УБ' \
            'Сосновский фельдшерско-акушерский пункт' 'Сосновский ФАП' \
            'Березовская участковая больница' 'Березовская УБ' \
            'Светлогорская городская больница' 'Светлогорская ГБ' \
            'Светлогорская городская поликлиника № 1' 'Светлогорская ГП № 1' \
            | iconv -f UTF-8 -t CP1251 > "$names"
    fi
    exec build/bin/kestrin
    ;;
*)
    echo "usage: bash build.sh run|test|sanitize" >&2
    exit 2
    ;;
esac
