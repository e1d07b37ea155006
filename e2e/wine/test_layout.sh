# The system structures as the build under test lays them out, held against
# the Windows ABI of its architecture: a size or offset that differs means
# the program and the system disagree about memory they share. And the
# executable under test is of that architecture.

LAYOUT_EXE=$KESTRO_WIN_BUILD/layout_tool.exe
# layout POINTER STARTUPINFO... : the expected output, one architecture.
if [ "$WINEARCH" = win64 ]; then
  machine=8664
  expected='pointer 8
HANDLE 8
SOCKET 8
STARTUPINFOA 104
  @dwFlags 60
  @hStdInput 80
PROCESS_INFORMATION 24
  @dwProcessId 16
WSADATA 408
hostent 32
  @h_addrtype 16
  @h_length 18
  @h_addr_list 24
sockaddr_in 16
  @sin_addr 4
fd_set 520
  @fd_array 8
timeval 8
MIB_IPADDRROW 24
  @table 4
SERVICE_STATUS 28
SERVICE_TABLE_ENTRYA 16
SERVICE_DESCRIPTIONA 8
SYSTEMTIME 16
WIN32_FILE_ATTRIBUTE_DATA 36'
  startup='startup information: 104 bytes written, 24 of the block'"'"'s 128 left untouched'
else
  machine=014c
  expected='pointer 4
HANDLE 4
SOCKET 4
STARTUPINFOA 68
  @dwFlags 44
  @hStdInput 56
PROCESS_INFORMATION 16
  @dwProcessId 8
WSADATA 400
hostent 16
  @h_addrtype 8
  @h_length 10
  @h_addr_list 12
sockaddr_in 16
  @sin_addr 4
fd_set 260
  @fd_array 4
timeval 8
MIB_IPADDRROW 24
  @table 4
SERVICE_STATUS 28
SERVICE_TABLE_ENTRYA 8
SERVICE_DESCRIPTIONA 4
SYSTEMTIME 16
WIN32_FILE_ATTRIBUTE_DATA 36'
  startup='startup information: 68 bytes written, 60 of the block'"'"'s 128 left untouched'
fi

new_prefix layout
out=$(wine "$LAYOUT_EXE" </dev/null 2>/dev/null | tr -d '\r')
check "$E2E_NAME: system structures laid out as the ABI has them" "$expected" "$(grep -v '^startup' <<<"$out")"
check "$E2E_NAME: startup information fits the program's block" "$startup" "$(grep '^startup' <<<"$out")"
end_prefix

# The machine field of the PE header (offset from 0x3c, plus 4).
pe_machine() {
  local at
  at=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((at + 4)) -N2 "$1" | tr -d ' '
}
check "$E2E_NAME: Kestro.exe built for this architecture" "$machine" "$(pe_machine "$KESTRO_EXE")"
