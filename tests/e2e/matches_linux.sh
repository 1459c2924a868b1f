#!/usr/bin/env bash
# One tree, backed up by the Linux program and by the Windows program under Wine, must give
# the same copies: the same files (names compared without regard to case, as Windows
# upper-cases folders and changed names), with the same content and modification time.
# Usage: matches_linux.sh LINUX_CLI WINDOWS_PROGRAM WINE_PREFIX [window] (exit 77: skipped)
# With "window", WINDOWS_PROGRAM is tests/ui/window_job_test, which enters the job in the
# window and runs it there (for today's date, which the window always uses).
set -euo pipefail
linux_cli=$1
windows_cli=$2
prefix=$3
mode=${4:-cli}
runner=$(dirname "$0")/../wine/run
if [[ ! -x $linux_cli ]]; then
  echo "no Linux build at $linux_cli (build the debug preset first): skipped"
  exit 77
fi
if ! command -v jlha >/dev/null; then
  echo "jlha is not installed: skipped"
  exit 77
fi

"$runner" "$prefix" cmd /c exit  # makes the prefix and drive D: on first use
drive_d=$(readlink "$prefix/dosdevices/d:")
name=parity-$$
root=$drive_d/$name
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/docs/sub/deeper" "$root/docs/Mixed" "$root/old/sub"

at() { touch -d "$1" "${@:2}"; }
echo new >"$root/docs/new.txt"
echo unchanged >"$root/docs/same.txt"
cp -p "$root/docs/same.txt" "$root/old/same.txt"
echo "longer now" >"$root/docs/sub/size.txt"
echo short >"$root/old/sub/size.txt"
echo newer >"$root/docs/sub/time.txt"
cp "$root/docs/sub/time.txt" "$root/old/sub/time.txt"
at "2020-01-02 03:04:05" "$root/old/sub/time.txt"
at "2020-01-02 03:04:09" "$root/docs/sub/time.txt"
echo case >"$root/docs/Readme.txt"
echo case >"$root/old/readme.TXT"
at "2019-05-05 05:05:05" "$root/old/readme.TXT"
echo deep >"$root/docs/sub/deeper/d.txt"
echo mixed >"$root/docs/Mixed/m.txt"
echo hidden >"$root/docs/.hidden"
echo 日本 >"$root/docs/日本語.txt"
# An unchanged copy packed in an archive of the comparison folder settles the file.
echo archived >"$root/docs/sub/archived.txt"
at "2020-03-04 05:06:08" "$root/docs/sub/archived.txt"
(cd "$root/docs" && TZ=UTC jlha a "$root/old/Backup.LZH" sub/archived.txt >/dev/null)

if [[ $mode == window ]]; then
  mkdir "$root/windows"  # the window asks before creating a destination
  GREBEWICK_WINDOW_JOB="D:\\$name\\docs|D:\\$name\\old|D:\\$name\\windows" \
    "$runner" "$prefix" "$windows_cli" -platform offscreen
  date=$(ls "$root/windows")
else
  date=20260102
  "$runner" "$prefix" "$windows_cli" --dest "D:\\$name\\windows" --source "D:\\$name\\docs" \
    --compare "D:\\$name\\old" --date "$date" --mkpath --quiet
fi
TZ=JST-9 "$linux_cli" --dest "$root/linux" --source "$root/docs" --compare "$root/old" \
  --date "$date" --mkpath --quiet

# Every copied file below the source folder's image: path (lower case), content, time.
copies() {
  (cd "$1" && find . -type f -printf '%P\n' | sort | while read -r file; do
    printf '%s %s %s\n' "${file,,}" "$(md5sum <"$file" | cut -c1-32)" "$(stat -c %Y "$file")"
  done)
}
linux=$(copies "$root/linux/$date$root/docs")
windows=$(copies "$root/windows/$date/${name^^}/DOCS")
if [[ $linux != "$windows" ]]; then
  echo "The Linux and the Windows program copied different files:"
  diff <(echo "$linux") <(echo "$windows") || true
  exit 1
fi
echo "$linux"
