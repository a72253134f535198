#!/usr/bin/env bash
# Checks what installing the program gives: where each file lands, that the desktop
# entry, the AppStream metainfo and the manual pages are valid, that the bash completion
# completes, and that the Debian package is sound and its programs run.
#
#   tests/packaging/packaging-test.sh CASE SOURCE_DIR BUILD_DIR VERSION
#
# CASE is one of: installed-files, desktop-metadata, manual-pages, bash-completion,
# debian-package. Runs as root and as any other user; writes only below a temporary
# folder, removed at the end.
set -euo pipefail
export LC_ALL=C.UTF-8

case_name=$1
source_dir=$2
build_dir=$3
version=$4
desktop_id=io.github.vantrel.VantrelOruk

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-packaging.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
# A make run by the test runner's make must not join its job server.
unset MAKEFLAGS MFLAGS MAKELEVEL MAKEOVERRIDES

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Every file an installation holds, relative to its prefix.
expected_files() {
    local size
    {
        echo bin/vantrel-oruk
        echo bin/vantrel-oruk-export
        echo libexec/vantrel-oruk/vantrel-oruk-export-pdf
        echo "share/applications/$desktop_id.desktop"
        echo "share/metainfo/$desktop_id.metainfo.xml"
        echo "share/icons/hicolor/scalable/apps/$desktop_id.svg"
        for size in 16 22 24 32 48 64 128 256; do
            echo "share/icons/hicolor/${size}x$size/apps/$desktop_id.png"
        done
        echo share/man/man1/vantrel-oruk.1.gz
        echo share/man/man1/vantrel-oruk-export.1.gz
        echo share/man/fr/man1/vantrel-oruk.1.gz
        echo share/man/fr/man1/vantrel-oruk-export.1.gz
        echo share/vantrel-oruk/translations/vantrel-oruk_fr.qm
        echo share/vantrel-oruk/translations/vantrel-oruk_en.qm
        echo share/bash-completion/completions/vantrel-oruk-export
        echo share/doc/vantrel-oruk/copyright
        echo share/doc/vantrel-oruk/changelog.gz
    } | sort
}

# The files below $1, relative to it, sorted.
files_below() {
    (cd "$1" && find . -type f -o -type l) | sed 's|^\./||' | sort
}

same_lists() { # what, expected file, actual file
    diff -u "$2" "$3" >"$scratch/diff" || fail "$1 differ from what is expected:"$'\n'"$(cat "$scratch/diff")"
}

# Installs the build into $scratch/root with prefix /usr; echoes the prefix folder.
install_tree() {
    DESTDIR="$scratch/root" cmake --install "$build_dir" --prefix /usr >"$scratch/install.log"
    echo "$scratch/root/usr"
}

# The long options that `vantrel-oruk-export --help` lists.
help_options() {
    QT_QPA_PLATFORM=offscreen "$build_dir/bin/vantrel-oruk-export" --help >"$scratch/help"
    grep -o -- '--[a-z][a-z-]*' "$scratch/help" | sort -u
}

# The names of the options, short and long, that `vantrel-oruk-export --help` lists in
# the language of the locale $1: those before the description on each line that starts
# with an option (`  -o, --output FILE   ...`, `      --font "FAMILY[,POINTS]"  ...`).
help_option_names() {
    LC_ALL=$1 QT_QPA_PLATFORM=offscreen "$build_dir/bin/vantrel-oruk-export" --help |
        grep -E '^ +-' | sed -E 's/^ +//; s/  .*//' |
        grep -oE -- '(^|[ ,])--?[A-Za-z][A-Za-z0-9-]*' | sed -E 's/^[ ,]//' | sort -u
}

# The options that the OPTIONS section of the manual page shown in $1 names, in its
# headings and its text: words such as -d, --dirs-only or -platform.
page_option_names() {
    sed -n '/^OPTIONS$/,/^[^ ]/{/^ /p}' "$1" |
        grep -oE -- '(^|[^A-Za-z0-9_-])--?[A-Za-z][A-Za-z0-9-]*' | sed -E 's/^[^-]+//' | sort -u
}

check_installed_files() {
    # `make install` as the README gives it, with DESTDIR and PREFIX, and with the
    # default prefix /usr/local.
    make -C "$source_dir" install BUILD_DIR="$build_dir" DESTDIR="$scratch/usr-root" PREFIX=/usr \
        >"$scratch/make.log" 2>&1 || fail "make install failed: $(cat "$scratch/make.log")"
    make -C "$source_dir" install BUILD_DIR="$build_dir" DESTDIR="$scratch/local-root" \
        >"$scratch/make.log" 2>&1 || fail "make install failed: $(cat "$scratch/make.log")"
    expected_files >"$scratch/expected"
    [[ $(ls "$scratch/usr-root") == usr ]] || fail "DESTDIR holds more than usr/: $(ls "$scratch/usr-root")"
    files_below "$scratch/usr-root/usr" >"$scratch/usr-files"
    same_lists "files installed under /usr" "$scratch/expected" "$scratch/usr-files"
    [[ $(ls "$scratch/local-root/usr") == local ]] || fail "the default prefix is not /usr/local"
    files_below "$scratch/local-root/usr/local" >"$scratch/local-files"
    same_lists "files installed under /usr/local" "$scratch/expected" "$scratch/local-files"

    local prefix=$scratch/usr-root/usr file
    for file in bin/vantrel-oruk bin/vantrel-oruk-export libexec/vantrel-oruk/vantrel-oruk-export-pdf; do
        [[ -x $prefix/$file ]] || fail "$file is not executable"
    done
    while read -r file; do
        [[ $file == bin/* || $file == libexec/* ]] && continue
        [[ $(stat -c %a "$prefix/$file") == 644 ]] || fail "$file has mode $(stat -c %a "$prefix/$file")"
    done <"$scratch/expected"
    # The icons are the drawing rendered at their folder's size.
    for file in "$prefix"/share/icons/hicolor/*x*/apps/*.png; do
        local size=${file#"$prefix"/share/icons/hicolor/}
        size=${size%%/*}
        local header
        header=$(od -An -tx1 -j16 -N8 "$file" | tr -d ' \n')
        [[ $header == $(printf '%08x%08x' "${size%x*}" "${size#*x}") ]] ||
            fail "$file is not $size (PNG header $header)"
    done
    # The programs find nothing of the build tree once installed.
    if readelf -d "$prefix/bin/vantrel-oruk" "$prefix/bin/vantrel-oruk-export" \
        "$prefix/libexec/vantrel-oruk/vantrel-oruk-export-pdf" | grep -E 'RPATH|RUNPATH'; then
        fail "the installed programs carry a library search path"
    fi
}

check_desktop_metadata() {
    local prefix
    prefix=$(install_tree)
    local desktop=$prefix/share/applications/$desktop_id.desktop
    local metainfo=$prefix/share/metainfo/$desktop_id.metainfo.xml
    desktop-file-validate "$desktop" || fail "desktop-file-validate refuses $desktop"
    appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli refuses $metainfo"
    appstreamcli validate-tree --no-net "$scratch/root" || fail "appstreamcli refuses the installed tree"

    local key
    # File managers offer it under "Open With" for folders, handing it the folder.
    for key in "Name=Vantrel Oruk" "Exec=vantrel-oruk %f" "MimeType=inode/directory;" "Icon=$desktop_id" \
        "StartupWMClass=vantrel-oruk" "Categories=Utility;FileTools;Qt;"; do
        grep -qxF "$key" "$desktop" || fail "the desktop entry lacks $key"
    done
    # English by default, with French translations.
    grep -qx 'GenericName=Directory Listing' "$desktop" || fail "the desktop entry's GenericName is not English"
    grep -qx 'GenericName\[fr\]=Listing de répertoires' "$desktop" || fail "the desktop entry has no French GenericName"
    grep -q '^Comment=Print and save ' "$desktop" || fail "the desktop entry's Comment is not English"
    grep -q '^Comment\[fr\]=Imprimer et enregistrer ' "$desktop" || fail "the desktop entry has no French Comment"
    grep -q '^Keywords=.*;directory;' "$desktop" || fail "the desktop entry's Keywords are not English"
    grep -q '^Keywords\[fr\]=.*;répertoire;' "$desktop" || fail "the desktop entry has no French Keywords"
    grep -qF "<release version=\"$version\" date=\"2026-12-08\">" "$metainfo" ||
        fail "the metainfo's release is not $version"
    grep -qF "<launchable type=\"desktop-id\">$desktop_id.desktop</launchable>" "$metainfo" ||
        fail "the metainfo does not launch $desktop_id.desktop"
    grep -qF '<summary>Print and save the listing of a directory tree</summary>' "$metainfo" ||
        fail "the metainfo's summary is not English"
    grep -qF '<summary xml:lang="fr">Imprimer et enregistrer ' "$metainfo" || fail "the metainfo has no French summary"
    # Each text in English comes with its French translation next to it.
    python3 - "$metainfo" <<'CHECK' || fail "the metainfo's English and French texts do not pair"
import sys, xml.etree.ElementTree as ET
lang = '{http://www.w3.org/XML/1998/namespace}lang'
texts = ('name', 'summary', 'developer_name', 'p', 'li', 'caption')
unpaired = []
for parent in ET.parse(sys.argv[1]).iter():
    children = [child for child in parent if child.tag in texts]
    for i, child in enumerate(children):
        if child.get(lang) or child.tag == 'name':
            continue
        following = children[i + 1] if i + 1 < len(children) else None
        if following is None or following.tag != child.tag or following.get(lang) != 'fr':
            unpaired.append(child.tag + ': ' + ' '.join(child.itertext()).split('.')[0])
    unpaired += [child.tag + ' in ' + child.get(lang) for child in children if child.get(lang) not in (None, 'fr')]
print('\n'.join(unpaired), file=sys.stderr)
sys.exit(1 if unpaired else 0)
CHECK
    grep -qF '/docs/screenshot.png</image>' "$metainfo" || fail "the metainfo shows no screenshot"
}

# Shows the manual page $1 as man does in an 80-column terminal into $2; fails on any
# warning of man.
show_page() {
    MANWIDTH=80 man --warnings -E UTF-8 -l "$1" >"$2" 2>"$2.err" || fail "man cannot show $1"
    [[ ! -s $2.err ]] || fail "man warns about $1: $(cat "$2.err")"
}

check_manual_pages() {
    local prefix page
    prefix=$(install_tree)
    # English in man1, French in fr/man1: the same sections in each language.
    local -A folders=([en]=man1 [fr]=fr/man1)
    local -A sections=([en]="NAME|SYNOPSIS|DESCRIPTION|OPTIONS|EXIT STATUS|FILES|EXAMPLES|SEE ALSO"
        [fr]="NOM|SYNOPSIS|DESCRIPTION|OPTIONS|CODE DE RETOUR|FICHIERS|EXEMPLES|VOIR AUSSI")
    local language
    for page in vantrel-oruk vantrel-oruk-export; do
        for language in en fr; do
            local text=$scratch/$page.$language.txt
            show_page "$prefix/share/man/${folders[$language]}/$page.1.gz" "$text"
            local section
            local -a section_names
            IFS='|' read -ra section_names <<<"${sections[$language]}"
            for section in "${section_names[@]}"; do
                grep -qx "$section" "$text" || fail "$page ($language) has no section $section"
            done
            grep -q "Vantrel Oruk $version" "$text" || fail "$page ($language) does not give version $version"
            grep -q 'vantrel-oruk/registry.ini' "$text" ||
                fail "$page ($language) does not name the settings store"
            local line
            while IFS= read -r line; do
                ((${#line} <= 80)) || fail "$page ($language) has a line beyond 80 columns: $line"
            done <"$text"
            page_option_names "$text" >"$scratch/$page.$language.options"
        done
        # A page describes the options its translation describes.
        same_lists "the options of $page's English and French pages" \
            "$scratch/$page.en.options" "$scratch/$page.fr.options"
    done

    # Every option that --help lists, in French (C) and in English, is described in both
    # pages of the export.
    help_option_names C >"$scratch/help-c"
    help_option_names en_US.UTF-8 >"$scratch/help-en"
    [[ -s $scratch/help-c ]] && grep -qx -- --dirs-only "$scratch/help-c" && grep -qx -- -d "$scratch/help-c" ||
        fail "no options read from --help: $(cat "$scratch/help-c")"
    same_lists "the options of the French and English --help" "$scratch/help-c" "$scratch/help-en"
    local option
    for language in en fr; do
        while read -r option; do
            grep -qxF -- "$option" "$scratch/vantrel-oruk-export.$language.options" ||
                fail "the $language vantrel-oruk-export(1) does not describe $option"
        done <"$scratch/help-c"
        for status in 0 1 2; do
            grep -qE "^ {7}$status {6}" "$scratch/vantrel-oruk-export.$language.txt" ||
                fail "the $language vantrel-oruk-export(1) does not describe exit status $status"
        done
    done

    # man finds the English pages where no language is asked for, the French ones for fr,
    # and an English page shows in English in the C locale, as plain ASCII.
    for page in vantrel-oruk vantrel-oruk-export; do
        LC_ALL=C LANG=C MANPATH=$prefix/share/man MANWIDTH=80 man "$page" >"$scratch/by-name" 2>&1 ||
            fail "man $page fails: $(cat "$scratch/by-name")"
        grep -qx 'NAME' "$scratch/by-name" && grep -qx 'EXIT STATUS' "$scratch/by-name" ||
            fail "man $page is not English: $(head -5 "$scratch/by-name")"
        LC_ALL=C LANG=C MANPATH=$prefix/share/man MANWIDTH=80 man -L fr "$page" >"$scratch/by-name" 2>&1 ||
            fail "man -L fr $page fails: $(cat "$scratch/by-name")"
        grep -qx 'NOM' "$scratch/by-name" && grep -qx 'CODE DE RETOUR' "$scratch/by-name" ||
            fail "man -L fr $page is not French: $(head -5 "$scratch/by-name")"
        LC_ALL=C LANG=C MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1.gz" >"$scratch/c-page" 2>&1 ||
            fail "LANG=C man -l $page fails: $(cat "$scratch/c-page")"
        sed 's/[“”]/"/g' "$scratch/$page.en.txt" >"$scratch/ascii-page"
        cmp -s "$scratch/c-page" "$scratch/ascii-page" ||
            fail "LANG=C man -l $page differs from the page in UTF-8: $(diff "$scratch/ascii-page" "$scratch/c-page")"
    done
}

# Prints, one a line, what the completion offers for the words given after the command.
complete_words() {
    bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        shift
        COMP_WORDS=(vantrel-oruk-export "$@")
        COMP_CWORD=$#
        COMP_LINE="${COMP_WORDS[*]}"
        COMP_POINT=${#COMP_LINE}
        COMPREPLY=()
        _vantrel_oruk_export vantrel-oruk-export "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}"
    ' completion "$completion" "$@"
}

check_bash_completion() {
    local prefix
    prefix=$(install_tree)
    completion=$prefix/share/bash-completion/completions/vantrel-oruk-export
    [[ $(complete_words --for) == --format ]] || fail "--for completes to: $(complete_words --for)"
    [[ $(complete_words --format '' | sort | tr '\n' ' ') == "csv html json pdf rtf text " ]] ||
        fail "--format completes to: $(complete_words --format '')"
    [[ $(complete_words -sS --format=r) == rtf ]] || fail "--format=r completes to: $(complete_words --format=r)"
    # Every option of --help, and nothing else.
    complete_words -- | grep -- '^--' | sort >"$scratch/completed"
    help_options >"$scratch/options"
    same_lists "the completed options and those of --help" "$scratch/options" "$scratch/completed"

    # The folder argument takes folders; -o takes files and folders.
    mkdir -p "$scratch/pick/Dossier un" "$scratch/pick/Dossier deux"
    : >"$scratch/pick/listing.txt"
    printf '%s\n' "$scratch/pick/Dossier deux" "$scratch/pick/Dossier un" >"$scratch/folders"
    complete_words -s "$scratch/pick/" | sort >"$scratch/completed"
    same_lists "the folder argument's completions" "$scratch/folders" "$scratch/completed"
    complete_words -o "$scratch/pick/l" >"$scratch/completed"
    [[ $(cat "$scratch/completed") == "$scratch/pick/listing.txt" ]] ||
        fail "-o completes to: $(cat "$scratch/completed")"
}

check_debian_package() {
    local arch
    arch=$(dpkg --print-architecture)
    (cd "$build_dir" && cpack -G DEB -B "$scratch/package") >"$scratch/cpack.log" 2>&1 ||
        fail "cpack failed: $(cat "$scratch/cpack.log")"
    local deb=$scratch/package/vantrel-oruk_${version}_$arch.deb
    [[ -f $deb ]] || fail "no $deb: $(ls "$scratch/package")"

    dpkg-deb -f "$deb" Package Version Architecture Section >"$scratch/fields"
    printf '%s\n' "Package: vantrel-oruk" "Version: $version" "Architecture: $arch" "Section: utils" \
        >"$scratch/expected-fields"
    same_lists "the package's fields" "$scratch/expected-fields" "$scratch/fields"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    local needed
    for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
        fonts-liberation adwaita-icon-theme hicolor-icon-theme; do
        [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ||
            ", $depends," == *" $needed |"* ]] || fail "Depends lacks $needed: $depends"
    done
    # Without Qt's translations the program runs, its Qt dialogs in English.
    [[ ", $depends," != *qt6-translations-l10n* ]] || fail "Depends holds qt6-translations-l10n: $depends"
    [[ ", $(dpkg-deb -f "$deb" Recommends)," == *", qt6-translations-l10n,"* ]] ||
        fail "Recommends lacks qt6-translations-l10n: $(dpkg-deb -f "$deb" Recommends)"
    # No maintainer scripts: the control part holds the control file and the sums alone.
    dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep . | sort >"$scratch/control-files"
    printf '%s\n' control md5sums >"$scratch/expected-control"
    same_lists "the control files" "$scratch/expected-control" "$scratch/control-files"

    # With the tags for information shown: a French word in an English manual page is
    # one of those (typo-in-manual-page, once spelling-error-in-manpage).
    lintian --fail-on error --display-info --tag-display-limit 0 "$deb" >"$scratch/lintian" 2>&1 ||
        fail "lintian finds errors: $(cat "$scratch/lintian")"
    cat "$scratch/lintian"
    if grep -E 'typo-in-manual-page|spelling-error-in-(manpage|description)' "$scratch/lintian"; then
        fail "lintian finds spelling errors"
    fi

    dpkg-deb -x "$deb" "$scratch/extracted"
    expected_files >"$scratch/expected"
    files_below "$scratch/extracted/usr" >"$scratch/files"
    same_lists "the package's files" "$scratch/expected" "$scratch/files"
    dpkg-deb -c "$deb" | awk '$2 != "root/root" { print }' >"$scratch/not-root"
    [[ ! -s $scratch/not-root ]] || fail "files not owned by root: $(cat "$scratch/not-root")"
    local program
    for program in "$scratch"/extracted/usr/bin/* "$scratch"/extracted/usr/libexec/vantrel-oruk/*; do
        if readelf -S "$program" | grep -qE '\.symtab|\.debug_'; then
            fail "$program is not stripped"
        fi
    done

    # The packaged export command lists a folder.
    mkdir -p "$scratch/tree/Lettres"
    printf 'abc' >"$scratch/tree/Lettres/une.txt"
    printf 'abcdef' >"$scratch/tree/notes.txt"
    QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$scratch/extracted/usr/bin/vantrel-oruk-export" -sS "$scratch/tree" \
        >"$scratch/listing" 2>"$scratch/listing.err" || fail "the packaged export failed: $(cat "$scratch/listing.err")"
    grep -qP '^\tune\.txt\t+3 octets$' "$scratch/listing" || fail "the listing lacks une.txt: $(cat "$scratch/listing")"
    grep -qP '^notes\.txt\t+6 octets$' "$scratch/listing" || fail "the listing lacks notes.txt: $(cat "$scratch/listing")"
    grep -qx 'Lettres' "$scratch/listing" || fail "the listing lacks its folder: $(cat "$scratch/listing")"
    # PDF is printed by the program in libexec, which the export finds from where it lies.
    QT_QPA_PLATFORM=offscreen "$scratch/extracted/usr/bin/vantrel-oruk-export" -o "$scratch/listing.pdf" \
        "$scratch/tree" 2>"$scratch/pdf.err" || fail "the packaged PDF export failed: $(cat "$scratch/pdf.err")"
    [[ $(head -c 5 "$scratch/listing.pdf") == %PDF- ]] || fail "the packaged PDF export wrote no PDF"
    "$scratch/extracted/usr/bin/vantrel-oruk-export" --version | head -1 >"$scratch/version"
    [[ $(cat "$scratch/version") == "vantrel-oruk-export (Vantrel Oruk) $version" ]] ||
        fail "the packaged export says: $(cat "$scratch/version")"
}

case $case_name in
installed-files) check_installed_files ;;
desktop-metadata) check_desktop_metadata ;;
manual-pages) check_manual_pages ;;
bash-completion) check_bash_completion ;;
debian-package) check_debian_package ;;
*) fail "unknown case $case_name" ;;
esac
echo "$case_name: ok"
