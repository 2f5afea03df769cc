#!/usr/bin/env bash
# Checks that the documentation holds together.
#
#   check_docs.sh links FILE.md|FOLDER...
#       every relative link and picture in the files (and in the .md files
#       below each FOLDER) names a file that exists
#       (relative to the file that links to it), and every #anchor a heading
#       of its target; links inside code blocks, and to web addresses, are
#       not followed. Used on the source tree and on the installed
#       documentation folder.
#   check_docs.sh manual SOURCES MANUAL VXCAM...
#       every option that the command VXCAM... lists in its --help is in the
#       tool's manual MANUAL; every environment variable read in the C++
#       sources below SOURCES (qEnvironmentVariable*, qgetenv, getenv, or a
#       helper named environment, with the name as a literal) is named in
#       MANUAL's "## Environment" section, in the --help and, when
#       VXCAM_TEST_MANPAGE names one, in that gzipped manual page.
set -euo pipefail

fail=0
problem() {
    echo "FAIL: $*" >&2
    fail=1
}

# The text of a Markdown file outside its fenced code blocks.
prose() {
    awk '/^[ \t]*```/ { fenced = !fenced; next } !fenced { print }' "$1"
}

# The anchors GitHub gives the headings of a Markdown file: lower case,
# punctuation but "-" and "_" dropped, spaces as "-".
anchors() {
    prose "$1" | sed -n 's/^#\{1,6\} \{1,\}//p' | tr '[:upper:]' '[:lower:]' |
        sed -E 's/[^a-z0-9 _-]//g; s/ /-/g'
}

check_links() {
    local files=() file count=0
    for file in "$@"; do
        if [ -d "$file" ]; then
            mapfile -t -O "${#files[@]}" files < <(find "$file" -name '*.md' | sort)
        else
            files+=("$file")
        fi
    done
    for file in "${files[@]}"; do
        [ -f "$file" ] || {
            problem "no such file: $file"
            continue
        }
        local dir target path anchor
        dir="$(dirname "$file")"
        # Inline code spans hold no links; drop them so `a](b)` in code is no link.
        # shellcheck disable=SC2016 # the backticks are Markdown, not an expansion
        while read -r target; do
            count=$((count + 1))
            case "$target" in
            http://* | https://* | mailto:*) continue ;;
            esac
            path="${target%%#*}"
            anchor=""
            [ "$path" != "$target" ] && anchor="${target#*#}"
            local resolved="$file"
            if [ -n "$path" ]; then
                resolved="$dir/$path"
                [ -e "$resolved" ] || {
                    problem "$file links to $target: no such file"
                    continue
                }
            fi
            if [ -n "$anchor" ]; then
                case "$resolved" in
                *.md) anchors "$resolved" | grep -qxF -- "$anchor" \
                    || problem "$file links to $target: no heading with that anchor" ;;
                *) problem "$file links to $target: an anchor into a file that is not Markdown" ;;
                esac
            fi
        done < <(prose "$file" | sed 's/`[^`]*`//g' | grep -oE '\]\([^) ]+\)' | sed -E 's/^\]\((.*)\)$/\1/')
    done
    # Guards against a pattern that no longer finds any link.
    [ "$count" -gt 0 ] || problem "no link found in: $*"
}

check_manual() {
    local sources="$1" manual="$2" page="${VXCAM_TEST_MANPAGE:-}"
    shift 2
    help="$(mktemp)"
    trap 'rm -f "$help"' EXIT
    "$@" --help >"$help" || problem "$* --help failed"
    local options option
    options="$(grep -oE -- '--[a-z][a-z-]*' "$help" | sort -u)"
    [ -n "$options" ] || problem "$* --help lists no option"
    for option in $options; do
        grep -qE -- "\`$option( [^\`]*)?\`" "$manual" || problem "$option of --help is not in $manual"
    done
    local names
    names="$(grep -rhoE --include='*.cpp' --include='*.h' \
        '(qEnvironmentVariable[A-Za-z]*|qgetenv|getenv|_wgetenv|environment)\(\s*"[A-Za-z_][A-Za-z0-9_]*"' \
        "$sources" | grep -oE '"[^"]+"' | tr -d '"' | sort -u)"
    # The scan must see the variables it is known to find, or it finds nothing.
    grep -qx VXCAM_SIM_CONFIG <<<"$names" || problem "the source scan did not find VXCAM_SIM_CONFIG: '$names'"
    local section text=""
    section="$(awk '/^## / { on = ($0 == "## Environment") } on' "$manual")"
    [ -n "$section" ] || problem "$manual has no \"## Environment\" section"
    [ -n "$page" ] && text="$(zcat "$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g')"
    local name
    for name in $names; do
        grep -qw -- "$name" <<<"$section" || problem "$name is read in $sources but not in $manual's Environment"
        grep -qw -- "$name" "$help" || problem "$name is read in $sources but not in vxcam --help"
        if [ -n "$page" ]; then
            grep -qw -- "$name" <<<"$text" || problem "$name is read in $sources but not in the manual page $page"
        fi
    done
}

mode="${1:-}"
case "$mode" in
links)
    shift
    check_links "$@"
    ;;
manual)
    shift
    check_manual "$@"
    ;;
*)
    echo "usage: check_docs.sh links FILE.md|FOLDER... | manual SOURCES MANUAL VXCAM..." >&2
    exit 2
    ;;
esac
[ "$fail" = 0 ] || exit 1
echo "ok: $mode"
