#!/usr/bin/env bash
# The documentation holds together: every relative link of README.md and
# docs/ reaches a file (and a heading, for a link with "#"), and so does
# every link of the documents the Debian package installs (build/linux's
# .deb, as scripts/build.sh makes it); what is made from the table of
# settings is up to date, every environment variable the program reads is
# described in docs/configuration.md, the settings file's size limit is the
# one the code enforces, and the manual page has its sections and passes
# mandoc's lint. Ends with "docs: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/check_lib.sh

# anchors FILE: the anchors of its headings, as GitHub makes them.
anchors() {
  sed -n 's/^#\{1,6\} \(.*\)$/\1/p' "$1" | tr 'A-Z' 'a-z' | sed 's/[^a-z0-9 _-]//g; s/ /-/g'
}

# broken_links FILE: its relative links that lead nowhere.
broken_links() {
  local file=$1 dir target path anchor
  dir=$(dirname "$file")
  { grep -o '\]([^)]*)' "$file" || true; } | sed 's/^](//; s/)$//' | while read -r target; do
    case "$target" in http://* | https://* | mailto:*) continue ;; esac
    path=${target%%#*}
    anchor=
    [ "$path" = "$target" ] || anchor=${target#*#}
    if [ -z "$path" ]; then path=$file; else path=$dir/$path; fi
    if [ ! -e "$path" ]; then
      echo "$file: $target (no such file)"
    elif [ -n "$anchor" ] && ! anchors "$path" | grep -qx -- "$anchor"; then
      echo "$file: $target (no such heading)"
    fi
  done
}

for f in README.md docs/*.md; do
  if bad=$(broken_links "$f") && [ -z "$bad" ]; then
    ok "links of $f resolve"
  else
    not_ok "links of $f that lead nowhere:"
    printf '  %s\n' "$bad"
  fi
done

# What is made from the table of settings (the settings sample, the table
# of configuration.md, the manual page's list) is as the table makes it.
writer=build/linux/settings_writer
if [ ! -x "$writer" ]; then
  not_ok "the documents made from the table of settings: no $writer (cmake --build build/linux --target settings_writer)"
elif why=$("$writer" docs . --check 2>&1); then
  ok "the settings sample, configuration.md's table and the manual page's list are the table's"
else
  not_ok "documents made from the table of settings:"
  printf '  %s\n' "$why"
fi

# The environment variables the program reads, taken from the sources.
mapfile -t names < <(
  {
    grep -rhoE '(getenv|environment->Get)\("[A-Za-z0-9_]+"\)' src | sed 's/.*("\(.*\)")/\1/'
    grep -rhoE 'k[A-Za-z]*Variable\[\] = "[A-Za-z0-9_]+"' src | sed 's/.*"\(.*\)"/\1/'
  } | sort -u)
missing=()
for n in "${names[@]}"; do
  grep -qw -- "$n" docs/configuration.md || missing+=("$n")
done
if ! printf '%s\n' "${names[@]}" | grep -qx OXLROOT; then
  not_ok "the variables found in the sources (${#names[@]}) lack OXLROOT: the search no longer finds them"
elif [ "${#missing[@]}" -gt 0 ]; then
  not_ok "variables the program reads that docs/configuration.md leaves out: ${missing[*]}"
else
  ok "docs/configuration.md describes the ${#names[@]} variables the program reads"
fi

# The documents as the package installs them: their links must hold inside
# /usr/share/doc/kestro, where the source tree is not.
deb=$(ls build/linux/kestro_*_amd64.deb 2>/dev/null | tail -n 1)
if [ -z "$deb" ]; then
  not_ok "the Debian package's documents: no build/linux/kestro_*_amd64.deb (bash scripts/build.sh)"
else
  unpacked=$(mktemp -d)
  trap 'rm -rf "$unpacked"' EXIT
  dpkg-deb -x "$deb" "$unpacked"
  doc=$unpacked/usr/share/doc/kestro
  bad=
  for f in "$doc"/README.md "$doc"/docs/*.md; do
    [ -f "$f" ] && bad+=$(broken_links "$f" | sed "s|^$unpacked||")$'\n'
  done
  bad=$(sed '/^$/d' <<<"$bad")
  stale=$(for f in docs/*.md docs/*.reg docs/*.yml; do
            [ ! -f "$doc/$f" ] || cmp -s "$f" "$doc/$f" || echo "$f"
          done)
  if [ ! -f "$doc/README.md" ]; then
    not_ok "$(basename "$deb") installs no /usr/share/doc/kestro/README.md"
  elif [ -n "$stale" ]; then
    not_ok "$(basename "$deb") is older than the documents ($(echo $stale)): rebuild it (cd build/linux && cpack -G DEB)"
  elif [ -n "$bad" ]; then
    not_ok "links of the documents $(basename "$deb") installs that lead nowhere there:"
    sed 's/^/  /' <<<"$bad"
  else
    ok "every link of the documents $(basename "$deb") installs resolves in /usr/share/doc/kestro"
  fi
fi

# The settings file's size limit, as the code has it and the documents say.
limit=$(sed -n 's/.*kMaxSettingsFileSize = \([0-9 *]*\);.*/\1/p' src/platform/posix/registry_posix.h)
if [ -z "$limit" ]; then
  not_ok "the settings file's size limit (kMaxSettingsFileSize) not found in src/platform/posix/registry_posix.h"
elif grep -q "is larger than $((limit)) bytes" docs/configuration.md; then
  ok "docs/configuration.md gives the settings file's size limit, $((limit)) bytes"
else
  not_ok "docs/configuration.md does not give the settings file's size limit, $((limit)) bytes"
fi

man=packaging/kestro.8
sections=$(sed -n 's/^\.SH "\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$man" | paste -sd '|')
want="NAME|SYNOPSIS|DESCRIPTION|OPTIONS|EXIT STATUS|ENVIRONMENT|FILES|EXAMPLES|SEE ALSO"
if [ "$sections" = "$want" ]; then
  ok "the manual page has its sections"
else
  not_ok "the manual page's sections: $sections (wanted $want)"
fi
if ! command -v mandoc >/dev/null; then
  not_ok "mandoc installed (scripts/setup.sh)"
elif lint=$(mandoc -Tlint "$man" 2>&1) && [ -z "$lint" ]; then
  ok "the manual page passes mandoc -Tlint"
else
  not_ok "mandoc -Tlint on the manual page:"
  printf '  %s\n' "$lint"
fi

finish docs
