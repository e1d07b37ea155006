# The Windows Installer package of the build under test, under Wine's
# msiexec: install (against what -installservice registers), the service it
# starts, a major upgrade, the refused downgrade, removal, and files that are
# no package. The settings and the log must come through all of it.

case "$KESTRO_WINE_ARCH" in win32) msi_arch=x86 ;; *) msi_arch=x64 ;; esac
msi_version=$(sed -n 's/^#define KESTRO_FILE_VERSION "\(.*\)"$/\1/p' "$KESTRO_WIN_BUILD/generated/version.h" 2>/dev/null)
msi_pkg=$KESTRO_WIN_BUILD/Kestro-$msi_version-$msi_arch.msi
if [ ! -f "$msi_pkg" ] || ! command -v wixl >/dev/null || ! command -v msiinfo >/dev/null; then
  skip "msi: every case" "no $msi_pkg, or no wixl/msiinfo (scripts/setup.sh, then scripts/build.sh)"
else
msi_dir=$E2E_WORK/msi-files
next_pkg=$msi_dir/next.msi
mkdir -p "$msi_dir/logs"
# The same program as the next version: the revision one higher.
"$REPO_ROOT/packaging/build-msi.sh" "$KESTRO_WIN_BUILD" $msi_arch "${msi_version%.*}.$((${msi_version##*.} + 1))" "$next_pkg" >/dev/null
for v in 1999.12.09.0 2003.12.09.100 2003.256.09.0 2003.12.656.0 2003.12.09; do
  "$REPO_ROOT/packaging/build-msi.sh" "$KESTRO_WIN_BUILD" $msi_arch $v "$msi_dir/refused.msi" >/dev/null 2>&1; rc=$?
  check "msi version $v has no installer version" "2 no" "$rc $([ -e "$msi_dir/refused.msi" ] && echo yes || echo no)"
done

new_prefix msi
make_agent "$msi_dir/agent" 127.0.0.1
setting LogDir REG_SZ "$(dos_path "$msi_dir/logs")"
setting PingDelay REG_DWORD 0
setting NumberOfPingSweeps REG_DWORD 2
wine reg add 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v OXLROOT /t REG_SZ /d "$(dos_path "$msi_dir/agent")" /f >/dev/null 2>&1 </dev/null
wineserver -w
wineserver -p >/dev/null 2>&1
WINEDEBUG=-all,+eventlog,fixme+advapi wine cmd /c exit 0 >/dev/null 2>"$msi_dir/services.err" </dev/null

msi_reg() { wine reg query "$1" "${@:2}" </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/^    //p' | sort; }
msiexec_rc() { wine msiexec "$@" /qn </dev/null >/dev/null 2>&1; echo $?; }
# msi_events TEXT N: true once the services wrote event TEXT N times.
msi_events() { for _ in $(seq 1 100); do [ "$(grep -a -c -F "L\"$1" "$msi_dir/services.err")" = "$2" ] && return 0; sleep 0.2; done; return 1; }
svc='HKLM\SYSTEM\CurrentControlSet\Services\Kestro'
src='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Kestro'
# msi_state: the products in Programs and Features, the service, the event
# source, the files, and whether the settings are as they were.
msi_state() {
  echo "products: $(msi_reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | grep -E '^(DisplayName|DisplayVersion|Publisher) ' | tr -s ' ' | paste -sd '|')"
  echo "service: $(msi_reg "$svc" | grep -c '^ImagePath '), event source: $(msi_reg "$src" | grep -c '^EventMessageFile ')"
  echo "files: $(cd "$WINEPREFIX/drive_c/Program Files/Kestro" 2>/dev/null && find . -type f -printf '%P\n' | LC_ALL=C sort | paste -sd ' ')"
  [ "$(msi_reg 'HKLM\SOFTWARE\Morvane\Kestro')" = "$settings" ] && echo "settings kept" || echo "settings changed"
}
# listed VERSION: the state with that version installed; nothing: with none.
listed() { printf 'products: DisplayName REG_SZ Kestro and IP Helper|DisplayVersion REG_SZ %s|Publisher REG_SZ Morvane\nservice: 1, event source: 1\nfiles: Kestro.exe PolicyDefinitions/Kestro.adm PolicyDefinitions/Kestro.admx PolicyDefinitions/en-US/Kestro.adml\nsettings kept' "$1"; }
nothing=$'products: \nservice: 0, event source: 0\nfiles: \nsettings kept'
msi_property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
v1=$(msi_property "$msi_pkg" ProductVersion) v2=$(msi_property "$next_pkg" ProductVersion)
start_entry="Service was started, starting main loop. version $KESTRO_VERSION"
quit_entry="Quit on service stop request. version $KESTRO_VERSION"
settings=$(msi_reg 'HKLM\SOFTWARE\Morvane\Kestro')

check "msi install: exit code 0, one product, service, event source, Kestro.exe, settings kept" \
  "0 $(listed "$v1")" "$(msiexec_rc /i "$(dos_path "$msi_pkg")" /l*v "$(dos_path "$msi_dir/install.log")") $(msi_state)"
cmp -s "$KESTRO_EXE" "$WINEPREFIX/drive_c/Program Files/Kestro/Kestro.exe" &&
  cmp -s "$REPO_ROOT/res/kestro.ico" "$WINEPREFIX/drive_c/windows/Installer/$(msi_property "$msi_pkg" ProductCode)/kestro.ico" &&
  pass "msi install: the build's Kestro.exe, the product's icon" || fail "msi install: the build's Kestro.exe, the product's icon"
msi_events "$start_entry" 1 && wait_for "$msi_dir/logs/Kestro-2.txt" BytesPerSecond 30 &&
  pass "msi install: service started, a pass in the log" || fail "msi install: service started, a pass in the log"
installed_svc=$(msi_reg "$svc") installed_src=$(msi_reg "$src")

check "msi upgrade: exit code 0, the new product alone, settings kept" "0 $(listed "$v2")" "$(msiexec_rc /i "$(dos_path "$next_pkg")") $(msi_state)"
msi_events "$quit_entry" 1 && msi_events "$start_entry" 2 && pass "msi upgrade: service stopped, started again" || fail "msi upgrade: service stopped, started again"
check "msi downgrade: refused (1603), the newer product stays" "$((1603 & 255)) $(listed "$v2")" "$(msiexec_rc /i "$(dos_path "$msi_pkg")") $(msi_state)"
check "msi upgrade, downgrade: service as installed" "$installed_svc" "$(msi_reg "$svc")"

# The upgraded service's pass first: a stop during a pass waits for its end,
# and on a loaded machine that may outlast msiexec's wait for the stop.
for _ in $(seq 1 600); do [ "$(grep -c BytesPerSecond "$msi_dir/logs/Kestro-2.txt")" -ge 2 ] && break; sleep 0.2; done
check "msi uninstall: exit code 0; product, service, event source, files gone; settings kept" "0 $nothing" "$(msiexec_rc /x "$(dos_path "$next_pkg")") $(msi_state)"
msi_events "$quit_entry" 2 && pass "msi uninstall: service stopped" || fail "msi uninstall: service stopped"
check "msi uninstall: log kept, with the passes of both versions" 2 "$(grep -c BytesPerSecond "$msi_dir/logs/Kestro-2.txt")"

echo 'not a package' >"$msi_dir/text.msi"
head -c 100000 "$msi_pkg" >"$msi_dir/truncated.msi"
for bad in text truncated; do
  # 1620 on Windows; Wine's msiexec says 1627.
  rc=$(msiexec_rc /i "$(dos_path "$msi_dir/$bad.msi")")
  check "msi $bad: refused, nothing installed" "yes $nothing" "$([ "$rc" = $((1620 & 255)) ] || [ "$rc" = $((1627 & 255)) ] && echo yes || echo "rc $rc") $(msi_state)"
done

# What -installservice registers for the same path. Wine's msiexec writes
# the image path without the quotes Windows Installer puts around it (see
# docs/development.md), so the quotes alone may differ.
mkdir -p "$WINEPREFIX/drive_c/Program Files/Kestro"
cp "$KESTRO_EXE" "$WINEPREFIX/drive_c/Program Files/Kestro/Kestro.exe"
wine 'C:\Program Files\Kestro\Kestro.exe' -installservice >/dev/null 2>&1 </dev/null
check "msi: event source as -installservice registers it" "$(msi_reg "$src")" "$installed_src"
check "msi: service as -installservice registers it, image path quotes aside" \
  "$(msi_reg "$svc" | sed '/^ImagePath /s/"//g')" "$(sed '/^ImagePath /s/"//g' <<<"$installed_svc")"
end_prefix
fi
