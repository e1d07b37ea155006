#pragma once
// What the trusted-file and own-file openers share: how they open without
// following a final link, whose the program's files are, and how a refusal
// is said.
#include <sys/types.h>

#include <fcntl.h>

#include <string>

namespace kestro {

inline constexpr int kNoFollow = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// The program never changes its user: asked once, not at every log line.
uid_t ProgramUser();

std::string BelongsTo(uid_t user);

// Closes `fd`, sets the refusal and errno: -1.
int Refuse(int fd, const std::string& why, std::string* refusal);

// After an open that did not follow the final link failed: a refusal when
// the name is a link (or something else that cannot be opened without
// blocking), errno as it was otherwise.
int RefuseFailedOpen(int dirfd, const std::string& name, std::string* refusal);

}  // namespace kestro
