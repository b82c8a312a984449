#!/usr/bin/env bash
# check-docs.sh QUENMARK SOURCE_DIR WORK_DIR
#
# Keeps the commands of README.md and docs/*.md true:
#   - every `./run X` in them is a command ./run accepts, and the README's quick start
#     gives `./run demo` and `./run test`;
#   - every `quenmark ...` (or `quenmark.exe ...`) command line parses: it is run with the
#     built quenmark in an empty folder, where its files do not exist, so a command that
#     parses ends on a missing file, plug-in or display, or succeeds; one that does not
#     parse ends on a usage error, and the check fails;
#   - no X server is started on a fixed display number;
#   - every relative link names a file that exists;
#   - the README stays under 8 kB.
# Commands are taken from fenced blocks marked sh, bash, console (its `$ ` lines only) or
# unmarked; ```text blocks hold output and are left alone.
set -uo pipefail
quenmark=$(realpath "$1") source=$(realpath "$2") work=$3
failures=0
fail() { printf 'FAIL: %s\n' "$*"; failures=$((failures + 1)); }

docs=("$source/README.md" "$source"/docs/*.md)
rm -rf "$work" && mkdir -p "$work/empty" || exit 1

# commands FILE: one line per command (continuations joined), as "LINE<TAB>COMMAND".
commands() {
  awk '
    /^[ \t]*```/ {
      if (!inside) {
        info = $0; sub(/^[ \t]*```/, "", info); sub(/[ \t].*$/, "", info)
        inside = 1; mode = (info == "" || info == "sh" || info == "bash" || info == "shell") ? "sh" : (info == "console" ? "console" : "")
      } else inside = 0
      next
    }
    !inside || mode == "" { next }
    {
      line = $0
      if (pending != "") { text = pending " " line; pending = "" }
      else {
        if (mode == "console") { if (line !~ /^[ \t]*\$ /) next; sub(/^[ \t]*\$ /, "", line) }
        text = line; start = NR
      }
      if (text ~ /\\$/) { sub(/\\$/, "", text); pending = text; next }
      sub(/^[ \t]+/, "", text)
      if (text != "" && text !~ /^#/) printf "%d\t%s\n", start, text
    }' "$1"
}

# The commands ./run accepts: named in its usage and given a branch of its own.
usage=$("$source/run" 2>&1 </dev/null); usage=${usage#*usage: ./run }
accepted=()
for word in ${usage//|/ }; do
  grep -q -E "^[[:space:]]+$word\)" "$source/run" && accepted+=("$word")
done
[ ${#accepted[@]} -gt 0 ] || fail "./run printed no usage: $usage"

readme_run=()
checked=0
for doc in "${docs[@]}"; do
  name=${doc#"$source"/}
  while IFS=$'\t' read -r line text; do
    [[ $text == *'$('* || $text == *'`'* ]] && { fail "$name:$line: command substitution in an example: $text"; continue; }
    set -f
    # Parsed as the shell parses what the reader types (quotes, ~, comments), without globbing.
    if ! eval "words=(
$text
)" 2>/dev/null; then
      set +f; fail "$name:$line: the shell cannot parse: $text"; continue
    fi
    set +f
    [ ${#words[@]} -gt 0 ] || continue
    if [ "${words[0]}" = ./run ]; then
      [ "$name" = README.md ] && readme_run+=("${words[1]:-}")
      found=0
      for a in "${accepted[@]}"; do [ "${words[1]:-}" = "$a" ] && found=1; done
      [ $found -eq 1 ] || fail "$name:$line: ./run does not accept '${words[1]:-}' (it takes: ${accepted[*]})"
      continue
    fi
    index=-1
    for i in "${!words[@]}"; do
      if [[ ${words[$i]} =~ (^|/)quenmark(\.exe)?$ ]]; then index=$i; break; fi
    done
    [ $index -ge 0 ] || continue
    args=("${words[@]:$((index + 1))}")
    checked=$((checked + 1))
    status=0
    output=$(cd "$work/empty" && env -u DISPLAY timeout 60 "$quenmark" "${args[@]}" 2>&1 >/dev/null) || status=$?
    if [ $status -ne 0 ] && ! grep -q -E "^quenmark: (cannot read .* as audio|cannot load the |no such plug-in: |cannot open the editor)" <<<"$output"; then
      fail "$name:$line: quenmark ${args[*]}: status $status: $output"
    fi
    rm -rf "${work:?}/empty" && mkdir -p "$work/empty"
  done < <(commands "$doc")

  # A fixed display number collides with any other X server on the machine.
  if grep -n -E '(Xvfb|Xorg|X) +:[0-9]|DISPLAY=:[0-9]' "$doc"; then
    fail "$name: starts an X server on a fixed display number (use xvfb-run -a or Xvfb -displayfd)"
  fi
  # Relative links and pictures.
  while read -r target; do
    target=${target%%#*}
    [ -z "$target" ] && continue
    [ -e "$(dirname "$doc")/$target" ] || fail "$name: the link $target names no file"
  done < <(grep -o -E '\]\([^)]+\)' "$doc" | sed -E 's/^\]\(//; s/\)$//' | grep -v -E '^[a-z]+:')
done

for wanted in demo test; do
  found=0
  for r in "${readme_run[@]}"; do [ "$r" = "$wanted" ] && found=1; done
  [ $found -eq 1 ] || fail "README.md: the quick start does not give ./run $wanted"
done
[ $checked -ge 5 ] || fail "only $checked quenmark commands found in the docs"
size=$(wc -c <"$source/README.md")
[ "$size" -lt 8192 ] || fail "README.md is $size bytes, not under 8 kB"

echo "$checked quenmark command lines parsed; ./run takes: ${accepted[*]}"
[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
