#pragma once
// Opening the files that decide what the program does, as root, and the
// files it writes, the way sudo and sshd open theirs: never through a final
// symbolic link, never blocking on a FIFO, and checked through the open
// descriptor (owner, mode, type), so that a file swapped after the check is
// never the one used.
#include <fcntl.h>

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace kestro {

enum class FileRule {
  // Names commands run as root: a regular file owned by root or by this
  // program's user that neither its group nor others may write, in
  // directories that only root or this program's user may write (sticky
  // ones, such as /tmp, aside when the entry in them is root's or this
  // user's). Every directory the name is looked up in counts, those holding
  // a link on the way included.
  Settings,
  // Names the host to probe: a regular file that not every user may write,
  // in directories that not every user may write (sticky ones aside).
  Agent,
};

// Opens `path` for reading under `rule`. Returns the descriptor, or -1 with
// errno set; when the file exists but breaks the rule, `refusal` gets why,
// as a phrase after the file's name ("is a symbolic link"), and errno is
// EPERM.
int OpenTrustedForReading(const std::string& path, FileRule rule, std::string* refusal);

// Opens a slot's program, the file execve runs for `path` (a link followed
// to its end), judged as the settings file is, with root and `account` as
// the users it may belong to: the descriptor (O_PATH, close-on-exec) of the
// very file judged, for fexecve. Returns -1 with errno set when it cannot
// be opened or is no regular file; when others than root and `account`
// could change or replace it, or put a program of their own where it is
// missing, `refusal` gets why as a phrase after its name ("may be written
// by others than its owner", "lies in \"/tmp\", which ...") and errno is
// EPERM.
int OpenTrustedProgram(const std::string& path, uid_t account, std::string* refusal);
// The refusal alone: empty when the program may be run or is not there to
// run in folders nobody else may write.
std::string ProgramRefusal(const std::string& path, uid_t account);

// Opens or creates (with `mode`) one of the program's own files, a log or
// the lock file, with `flags` (O_WRONLY | O_APPEND, O_RDWR, ...). A file that
// is there already must be a regular file with a single link, owned by this
// program's user; permissions beyond `mode` are taken away from it.
// Returns the descriptor, or -1 with errno set and, for a refused file,
// `refusal` as above.
int OpenOwnFile(const std::string& path, int flags, mode_t mode, std::string* refusal);
// The same for a file that must be there already; `size` gets its size, as
// the checks found it on the descriptor.
int OpenExistingOwnFile(const std::string& path, int flags, mode_t mode, std::string* refusal,
                        std::uint64_t* size);
// The same judgement for -check, changing nothing: `wide` gets the
// permissions beyond `mode` that the writer takes away (0 when none).
int OpenExistingOwnFileAsIs(const std::string& path, int flags, mode_t mode, std::string* refusal,
                            mode_t* wide);

// How the writer opens its files: the logs are readable by its group and
// written by it alone; nobody else may open the lock file, for whoever can,
// can also hold a lock on it and hold up every line.
inline constexpr int kLogFlags = O_WRONLY | O_APPEND;
inline constexpr mode_t kLogMode = 0640;
inline constexpr int kLockFlags = O_RDWR | O_APPEND;
inline constexpr mode_t kLockMode = 0600;

}  // namespace kestro
