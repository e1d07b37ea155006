# The command line of the real program: texts on standard error, exit codes.

usage_block() {  # usage_block HEADER
  printf '\n%s\nUse-Case 1: Kestro.exe -help\nUse-Case 2: Kestro.exe -installservice | -removeservice\nUse-Case 3: Kestro.exe -service\nUse-Case 4: Kestro.exe -direct\n\n\nversion %s\n' "$1" "$KESTRO_VERSION"
}
option_list() {
  printf '\n-help : display additional information (this output)\n-installservice : install the Kestro Windows service\n-removeservice : remove the Kestro Windows service\n-service : internally used by Kestro when started from Windows\n-direct : run on command line without service\n\n'
}

# run_exe ARGS...: sets RC, OUT and ERR (CR LF of the console turned to LF).
run_exe() {
  wine "$KESTRO_EXE" "$@" >"$E2E_WORK/out" 2>"$E2E_WORK/err"
  RC=$?
  OUT=$(tr -d '\r' <"$E2E_WORK/out"; echo x)
  ERR=$(tr -d '\r' <"$E2E_WORK/err"; echo x)
}

new_prefix command_line
run_exe
check "no option: exit code 1" 1 "$RC"
check "no option: help block" "$(usage_block 'Help:'; option_list; echo x)" "$ERR"
check "no option: nothing on standard output" "x" "$OUT"

run_exe -help -bogus
check "-help -bogus: exit code 1" 1 "$RC"
check "-help -bogus: help block" "$(usage_block 'Help:'; option_list; echo x)" "$ERR"

run_exe -direct -bogus
check "-direct -bogus: exit code 99" 99 "$RC"
check "-direct -bogus: parse error naming -bogus" \
  "$(usage_block 'Parse-Error: Invalid argument "-bogus"'; echo x)" "$ERR"

run_exe ""
check "empty argument: exit code 99" 99 "$RC"
check "empty argument: header closes at once" \
  "$(usage_block 'Parse-Error: Invalid argument ""'; echo x)" "$ERR"

run_exe -Direct
check "-Direct: exit code 99" 99 "$RC"
case "$ERR" in *$'\n'"version $KESTRO_VERSION"$'\n'*) pass "version line from the resource" ;;
  *) fail "version line from the resource" ;; esac

# The resources as other programs read them: the message table the event
# viewer uses and the version text.
RESOURCE_CHECK=${RESOURCE_CHECK:-$KESTRO_WIN_BUILD/resource_check.exe}
check "message table and version resource" \
  "$(printf 'message 956: Information Category\\r\\n\nmessage 957: %%1\\r\\n\nmessage 958: %%1\\r\\n\nFileVersion: %s\nProductName: Kestro and IP Helper' "$KESTRO_VERSION")" \
  "$(wine "$RESOURCE_CHECK" "$(dos_path "$KESTRO_EXE")" | tr -d '\r')"
end_prefix
