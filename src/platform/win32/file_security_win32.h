#pragma once
#include <windows.h>

#include <string>

#include "platform/own_file_security.h"

namespace kestro {

struct FileSecurity;

// Reads the owner and the allowing entries that apply to an open file (the
// handle needs READ_CONTROL); false when they could not be read, `why` then
// saying so as a phrase after "it". `asService`: this process's own account
// counts for nothing, as the service's account, LocalSystem, is SYSTEM.
bool ReadFileSecurity(HANDLE file, FileSecurity* security, std::string* why, bool asService);

// Opens a log (for appending) or the lock file (for its byte) as the log
// writer does: a reparse point is opened itself, never followed, and the
// handle may read the file's owner and rights (READ_CONTROL) and, with
// `mayNarrow` where the program is let, change them (WRITE_DAC). A file
// created here gets `created`. INVALID_HANDLE_VALUE with GetLastError's
// error on failure.
HANDLE OpenOwnFile(const std::string& path, bool lockFile, DWORD disposition,
                   SECURITY_ATTRIBUTES* created, bool mayNarrow);

// The volume an open file or folder lies on: whether it keeps access lists
// (FILE_PERSISTENT_ACLS), and whether it is a network share. Unknown counts
// as an ordinary local volume.
void ReadVolume(HANDLE file, bool* keepsAccessLists, bool* share);

// On a network share the computer account (the program's own there, to be
// given rights to the files it creates); nullptr elsewhere or unknown.
PSID ShareAccount(const std::string& path);

// Judges an open own file with JudgeOwnFile: the file itself (links,
// reparse point), its volume (on a network share the computer account
// counts as the program's own), its owner and rights.
OwnFileVerdict JudgeOpenFile(HANDLE file, bool lockFile);

// The writer's judgement: why the open file may not be used, empty when it
// may. A file of the program's own whose rights are only too wide is first
// given the program's rights through this handle, then judged again through
// it, so a file put in its place meanwhile changes nothing.
std::string RefusalAfterNarrowing(HANDLE file, bool lockFile);

}  // namespace kestro
