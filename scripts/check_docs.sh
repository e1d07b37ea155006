#!/usr/bin/env bash
# The documentation holds together: every relative link of README.md and
# docs/ reaches a file (and a heading, for a link with "#"), every setting and
# environment variable the program reads is described in
# docs/configuration.md, and the manual page has its sections and passes
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

# The names the program reads: settings values (queried by name) and
# environment variables, taken from the sources.
mapfile -t names < <(
  {
    grep -rhoE '(Read[A-Za-z]*|Query[A-Za-z]*|HasValue)\([^,()]*, *"[A-Za-z0-9]+"' src |
      sed 's/.*"\(.*\)"/\1/'
    grep -rhoE '(getenv|environment->Get)\("[A-Za-z0-9_]+"\)' src | sed 's/.*("\(.*\)")/\1/'
  } | sort -u)
missing=()
for n in "${names[@]}"; do
  grep -qw -- "$n" docs/configuration.md || missing+=("$n")
done
if ! printf '%s\n' "${names[@]}" | grep -qx LogDir || ! printf '%s\n' "${names[@]}" | grep -qx OXLROOT; then
  not_ok "the settings and variables found in the sources (${#names[@]}) lack LogDir or OXLROOT: the search no longer finds them"
elif [ "${#missing[@]}" -gt 0 ]; then
  not_ok "settings or variables the program reads that docs/configuration.md leaves out: ${missing[*]}"
else
  ok "docs/configuration.md describes the ${#names[@]} settings and variables the program reads"
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
