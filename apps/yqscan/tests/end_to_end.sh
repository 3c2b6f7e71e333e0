#!/bin/sh
# End-to-end tests of an installed yqscan on generated trees: the --list output against an
# independent listing (find, filtered here for the simple rules used), an excluded folder that
# cannot be listed causing no error, the --archive extracted by 7zz to identical files, md5
# checksums against md5sum, and bad usage exiting 2 without scanning.
# Usage: end_to_end.sh /path/to/installed/yqscan
set -u
yqscan=$1
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
tree=$work/tree
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Folders and files of several kinds, a link to a folder (never followed) and a FIFO.
for folder in src/lib src/obj doc/html cache "with space"; do mkdir -p "$tree/$folder"; done
for file in src/main.c src/main.o src/lib/util.c src/lib/util.o src/obj/a.o doc/readme.txt \
  doc/html/index.html cache/blob.bin "with space/notes.txt" top.txt top.o; do
  printf '%s\n' "contents of $file" >"$tree/$file"
done
head -c 300000 /dev/urandom >"$tree/src/big.bin"
ln -s ../doc "$tree/src/doc-link"
mkfifo "$tree/doc/pipe"

# find's listing in yqscan's line format, without the fraction of the mtime.
listing() { find "$tree" ! -type d -printf '%p\t%s\t%T@\n' | sed 's/\.[0-9]*$//'; }
printf '+**/*.txt\n-%s/doc\n# a comment\n\n' "$tree" >"$work/rules"

# name; yqscan filter arguments; grep -E of the selected paths; grep -E of the left-out ones
set -f
while IFS=';' read -r name args keep drop; do
  [ -z "$name" ] && continue
  listing | grep -E "^(${keep:-.*})	" | grep -v -E "^(${drop:-\$^})	" | LC_ALL=C sort >"$work/expected"
  # shellcheck disable=SC2086
  "$yqscan" --log-dir "$work" $args --list "$work/list" "$tree" >"$work/out" 2>&1
  status=$?
  [ "$status" -eq 0 ] || fail "$name: exit status $status: $(cat "$work/out")"
  cmp -s "$work/expected" "$work/list" || fail "$name: list differs: $(diff "$work/expected" "$work/list")"
done <<ROWS
everything;;;
a folder excluded;--exclude $tree/cache;;$tree/cache/.*
an extension excluded anywhere;--exclude **/*.o;;.*\.o
an extension included;--include **/*.txt;.*\.txt;
a folder included, an extension excluded;--include $tree/src --exclude **/*.o;$tree/src/.*;.*\.o
a regular expression excluded;--exclude <R>.*/html(/.*)?;;.*/html/.*
two folders excluded;--exclude $tree/doc --exclude $tree/with?space/**;;$tree/(doc|with space)/.*
a rules file;--filters $work/rules;.*\.txt;$tree/doc/.*
the content path itself excluded;--exclude $tree;;.*
ROWS
set +f

# Checksums: every regular file's md5 equals md5sum's, links and FIFOs have "-".
"$yqscan" --log-dir "$work" --checksum md5 --list "$work/sums" "$tree" >/dev/null 2>&1 ||
  fail "checksum run failed"
while IFS='	' read -r path _ _ sum; do
  if [ -f "$path" ] && [ ! -L "$path" ]; then
    [ "$sum" = "$(md5sum <"$path" | cut -c1-32)" ] || fail "md5 of $path: $sum"
  else
    [ "$sum" = "-" ] || fail "checksum of a non-file $path: $sum"
  fi
done <"$work/sums"
[ "$(wc -l <"$work/sums")" -eq "$(listing | wc -l)" ] || fail "checksum list incomplete"

# The archive restores the selected regular files byte for byte, and nothing else.
"$yqscan" --log-dir "$work" --exclude '**/*.o' --archive "$work/backup.7z" "$tree" >/dev/null 2>&1 ||
  fail "archive run failed"
7zz x -y -o"$work/restored" "$work/backup.7z" >/dev/null || fail "7zz cannot extract the archive"
expected=$(find "$tree" -type f ! -name '*.o' | wc -l)
restored=$(find "$work/restored" -type f | wc -l)
[ "$expected" -eq "$restored" ] || fail "archive holds $restored files, expected $expected"
find "$tree" -type f ! -name '*.o' | while read -r file; do
  cmp -s "$file" "$work/restored$file" || echo "FAIL: $file not restored"
done | grep FAIL && fail "archive contents differ"

# A folder that cannot be listed: an error (exit 1) unless it is excluded, then never opened.
# Root lists anything, so the program then runs without the capabilities that let it.
mkdir -p "$work/perm/locked" "$work/perm/open"
touch "$work/perm/locked/secret" "$work/perm/open/file"
chmod 000 "$work/perm/locked"
unprivileged=""
[ "$(id -u)" -eq 0 ] && unprivileged="setpriv --bounding-set=-dac_override,-dac_read_search"
$unprivileged "$yqscan" --log-dir "$work" --exclude "$work/perm/locked" "$work/perm" >"$work/out" 2>&1 ||
  fail "excluded unreadable folder: exit $? $(cat "$work/out")"
grep -q "errors 0" "$work/out" || fail "excluded unreadable folder reported errors"
$unprivileged "$yqscan" --log-dir "$work" "$work/perm" >"$work/out" 2>&1
status=$?
[ "$status" -eq 1 ] || fail "unreadable folder: exit $status, expected 1"
grep -q "error: $work/perm/locked" "$work/out" || fail "unreadable folder not in the summary"

# Bad usage exits 2 with a message, before anything is written.
while IFS=';' read -r name args; do
  # shellcheck disable=SC2086
  "$yqscan" --log-dir "$work" --list "$work/never" $args >"$work/out" 2>&1
  status=$?
  [ "$status" -eq 2 ] || fail "$name: exit status $status, expected 2"
  [ -s "$work/out" ] || fail "$name: no message"
  [ -e "$work/never" ] && fail "$name: scanned anyway"
done <<ROWS
an unknown option;--bogus $tree
no path;
a bad checksum name;--checksum sha1 $tree
an option without its value;$tree --archive
a bad debug level;--debug-level high $tree
a missing rules file;--filters $work/none $tree
a bad filter term;--exclude <Q>x $tree
ROWS

[ "$failures" -eq 0 ] && echo "all end-to-end checks passed"
[ "$failures" -eq 0 ]
