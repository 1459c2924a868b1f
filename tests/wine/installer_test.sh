#!/usr/bin/env bash
# Installs the Windows installer silently under Wine, checks what it put where (the program
# folder, the Start-menu shortcut, the uninstall entry, programs that start), uninstalls it
# and checks that nothing is left but what was there before.
# Usage: installer_test.sh INSTALLER WINE_PREFIX
set -euo pipefail
installer=$(realpath "$1")
prefix=$(realpath -m "$2")
runner=$(dirname "$0")/run
wine_run() { "$runner" "$prefix" "$@"; }

wine_run cmd /c exit  # makes the prefix on first use
user_home=$(find "$prefix/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -1)
program_folder=$user_home/AppData/Local/Programs/Grebewick
shortcut=$user_home/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Grebewick.lnk
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Grebewick'

# Every file of the prefix's C: drive but Windows' own folder and the temporary folders,
# which Wine itself writes to as it runs.
files() {
  (cd "$prefix/drive_c" && find . \( -path ./windows -o -ipath '*/temp' \) -prune -o -print |
    sort)
}
# An uninstaller copies itself to the temporary folder and returns at once; the copy is
# done when the program folder is gone.
wait_for_removal() {
  for _ in $(seq 1 120); do
    [[ -e $1 ]] || return 0
    sleep 0.5
  done
  echo "still there after a minute: $1"
  return 1
}

before=$(files)
wine_run "$installer" /S
[[ -f $program_folder/grebewick.exe ]] || { echo "not installed into $program_folder"; exit 1; }
[[ -f $shortcut ]] || { echo "no Start-menu shortcut at $shortcut"; exit 1; }

# The installer writes only into its folder and the user's Start menu.
added=$(comm -13 <(echo "$before") <(files))
outside=$(grep -v -e '^\./users/[^/]*/AppData/Local/Programs/Grebewick' \
  -e '^\./users/[^/]*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Grebewick.lnk$' \
  -e '^\./users/[^/]*/AppData/Local/Programs$' <<<"$added" || true)
if [[ -n $outside ]]; then
  echo "The installer wrote outside its folder and the Start menu:"
  echo "$outside"
  exit 1
fi
for file in grebewick.exe grebewick-cli.exe UnLHA32.DLL Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
  libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll \
  translations/grebewick_en.qm LICENSE.txt licenses/Qt/LGPL-3.0-only.txt uninstall.exe; do
  [[ -f $program_folder/$file ]] || { echo "not installed: $file"; exit 1; }
done
[[ ! -e $program_folder/Qt6Test.dll ]] || { echo "the test library was installed"; exit 1; }

# Add/Remove Programs knows it, and the uninstaller it names exists.
entry=$(wine_run reg query "$key" | tr -d '\r')
for value in DisplayName DisplayVersion UninstallString InstallLocation; do
  grep -q "$value" <<<"$entry" || { echo "uninstall entry without $value: $entry"; exit 1; }
done
grep -q 'DisplayVersion.*1\.0\.1' <<<"$entry" || { echo "wrong version: $entry"; exit 1; }

# Both programs start from where they were installed, with every DLL they need found there
# (the window program loads Qt before it answers --version).
installed='C:\users\'"$(basename "$user_home")"'\AppData\Local\Programs\Grebewick'
version=$(wine_run "$installed\\grebewick.exe" --version | tr -d '\r')
[[ $version == "grebewick 1.0.1" ]] || { echo "grebewick.exe --version: '$version'"; exit 1; }
wine_run "$installed\\grebewick-cli.exe" --version >/dev/null

# A file of the user's own in the program folder survives the uninstallation, and so does
# the folder that holds it.
echo mine >"$program_folder/notes.txt"
wine_run "$installed\\uninstall.exe" /S
wait_for_removal "$program_folder/uninstall.exe"
wait_for_removal "$shortcut"
[[ -f $program_folder/notes.txt ]] || { echo "the uninstaller removed a file of the user's"; exit 1; }
left=$(cd "$program_folder" && find . -mindepth 1)
[[ $left == ./notes.txt ]] || { echo "left behind: $left"; exit 1; }
rm -r "$program_folder"

if wine_run reg query "$key" >/dev/null 2>&1; then
  echo "the uninstall entry is still there"
  exit 1
fi
# Windows' own folder for one user's programs may stay once made, as it does on Windows.
leftover=$(comm -3 <(echo "$before") <(files) | grep -v -P '^\t?\./users/[^/]*/AppData/Local/Programs$' || true)
if [[ -n $leftover ]]; then
  echo "After uninstalling, the prefix differs from before installing:"
  echo "$leftover"
  exit 1
fi
echo "installed into $installed and uninstalled cleanly"
