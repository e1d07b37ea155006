#include "platform/posix/trusted_file_posix.h"
#include "platform/posix/file_refusal_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace kestro {
namespace {

// Root, and `account`: the user the files are judged for.
bool OwnedByTrustedUser(const struct stat& st, uid_t account) { return st.st_uid == 0 || st.st_uid == account; }

// Who besides root and `account` may change which files a rule's folders
// hold: for the settings and a slot's program nobody, for the agent file
// (the agent's own) not every user. `entry` is what the folder holds under
// the name looked up, null when nothing: whoever may write the folder may
// put his own there.
std::string FolderProblem(const struct stat& folder, const struct stat* entry, const std::string& shown,
                          FileRule rule, uid_t account) {
  // In a sticky folder (/tmp) only an entry's owner may remove or rename it:
  // a folder or file is judged by its own owner next, a link here.
  const bool sticky = (folder.st_mode & S_ISVTX) != 0;
  const bool entryKept = entry != nullptr && (!S_ISLNK(entry->st_mode) || OwnedByTrustedUser(*entry, account));
  if (rule == FileRule::Agent) {
    if ((folder.st_mode & S_IWOTH) && !sticky) return "lies in \"" + shown + "\", which every user may write";
    return "";
  }
  if (!OwnedByTrustedUser(folder, account)) return "lies in \"" + shown + "\", which " + BelongsTo(folder.st_uid);
  if ((folder.st_mode & (S_IWGRP | S_IWOTH)) && !(sticky && entryKept))
    return "lies in \"" + shown + "\", which others than its owner may write";
  return "";
}

constexpr int kMostLinks = 40;  // as the kernel follows

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (start <= path.size()) {
    std::string::size_type end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (!part.empty() && part != ".") parts.push_back(part);
    start = end + 1;
  }
  return parts;
}

// Reopens "/" in place of `fd`: -1 when it cannot be.
int OpenRoot(int fd, struct stat* folder) {
  if (fd >= 0) close(fd);
  fd = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0 && fstat(fd, folder) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Looks the folder `dir` up from "/" as the kernel does, following links,
// each step made through a descriptor without following a link, and judges
// under `rule` every entry looked up on the way (each folder and link).
// Returns the folder's descriptor (`folder` gets its status, `real` its
// path without links), or -1 with errno set; the first entry others may
// change goes into `problem`, a folder that lacks the entry looked up in it
// included.
int OpenCheckedDirectory(const std::string& dir, FileRule rule, uid_t account, std::string* problem,
                         struct stat* folder, std::string* real) {
  std::vector<std::string> rest;
  if (dir.empty() || dir[0] != '/') {
    char* cwd = getcwd(nullptr, 0);
    if (cwd == nullptr) return -1;
    rest = Components(cwd);
    std::free(cwd);
  }
  for (const std::string& part : Components(dir)) rest.push_back(part);
  std::reverse(rest.begin(), rest.end());  // taken from the back
  int fd = OpenRoot(-1, folder);
  std::string walked;
  int links = 0;
  bool broken = false;
  while (fd >= 0 && !rest.empty() && !broken) {
    const std::string name = rest.back();
    rest.pop_back();
    int next = -1;
    if (name == "..") {
      next = openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
      walked = walked.substr(0, walked.rfind('/'));
    } else {
      struct stat entry;
      if (fstatat(fd, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        if (error == ENOENT && problem->empty())
          *problem = FolderProblem(*folder, nullptr, walked.empty() ? "/" : walked, rule, account);
        errno = error;
        broken = true;
        continue;
      }
      if (problem->empty()) *problem = FolderProblem(*folder, &entry, walked.empty() ? "/" : walked, rule, account);
      if (S_ISLNK(entry.st_mode)) {
        char target[PATH_MAX];
        const ssize_t n = readlinkat(fd, name.c_str(), target, sizeof target);
        broken = n <= 0 || n == static_cast<ssize_t>(sizeof target);
        if (!broken && ++links > kMostLinks) {
          errno = ELOOP;
          broken = true;
        }
        if (broken) continue;
        const std::vector<std::string> parts = Components(std::string(target, static_cast<std::size_t>(n)));
        rest.insert(rest.end(), parts.rbegin(), parts.rend());
        if (target[0] == '/') {
          fd = OpenRoot(fd, folder);
          walked.clear();
        }
        continue;
      }
      next = openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      walked += "/" + name;
    }
    const int error = errno;
    close(fd);
    errno = error;
    fd = next;
    if (fd >= 0 && fstat(fd, folder) != 0) broken = true;
  }
  if (fd >= 0 && broken) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  if (real != nullptr) *real = walked.empty() ? "/" : walked;
  return fd;
}

// Splits `path` into its folder ("" for the current one) and its last name.
void Split(const std::string& path, std::string* dir, std::string* name) {
  const std::string::size_type slash = path.rfind('/');
  *dir = slash == std::string::npos ? "" : slash == 0 ? "/" : path.substr(0, slash);
  *name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// What the rule asks of the file itself, beyond being a regular file.
std::string FileProblem(const struct stat& st, FileRule rule, uid_t account) {
  if (rule == FileRule::Agent) return st.st_mode & S_IWOTH ? "may be written by every user" : "";
  if (!OwnedByTrustedUser(st, account)) return BelongsTo(st.st_uid);
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return "may be written by others than its owner";
  return "";
}

int OpenJudged(const std::string& path, FileRule rule, std::string* refusal) {
  std::string dir, name, real, dirProblem;
  Split(path, &dir, &name);
  struct stat folder;
  const uid_t account = ProgramUser();
  const int dirfd = OpenCheckedDirectory(dir, rule, account, &dirProblem, &folder, &real);
  if (dirfd < 0) return -1;
  const int fd = openat(dirfd, name.c_str(), O_RDONLY | kNoFollow);
  if (fd < 0) {
    const int result = RefuseFailedOpen(dirfd, name, refusal);
    const int error = errno;
    close(dirfd);
    errno = error;
    return result;
  }
  close(dirfd);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) return Refuse(fd, "is not a regular file", refusal);
  const std::string problem = FileProblem(st, rule, account);
  if (!problem.empty()) return Refuse(fd, problem, refusal);
  if (dirProblem.empty()) dirProblem = FolderProblem(folder, &st, real, rule, account);
  if (!dirProblem.empty()) return Refuse(fd, dirProblem, refusal);
  return fd;
}

}  // namespace

int OpenTrustedForReading(const std::string& path, FileRule rule, std::string* refusal) {
  refusal->clear();
  return OpenJudged(path, rule, refusal);
}

int OpenTrustedProgram(const std::string& path, uid_t account, std::string* refusal) {
  refusal->clear();
  std::string current = path;
  for (int links = 0; links <= kMostLinks; ++links) {
    std::string dir, name, real, problem;
    Split(current, &dir, &name);
    struct stat folder;
    const int dirfd = OpenCheckedDirectory(dir, FileRule::Settings, account, &problem, &folder, &real);
    // A folder missing on the way: whoever may write the one above it may
    // make it, and the program in it.
    if (dirfd < 0) return problem.empty() ? -1 : Refuse(-1, problem, refusal);
    errno = EACCES;  // a name ending in "/" is no program
    int fd = name.empty() ? -1 : openat(dirfd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) != 0) {
      const int error = errno;
      close(fd);
      fd = -1;
      errno = error;
    }
    const int error = errno;
    close(dirfd);
    if (fd < 0) {
      // Nothing there: whoever may write the folder may put his own program there.
      if (problem.empty() && error == ENOENT)
        problem = FolderProblem(folder, nullptr, real, FileRule::Settings, account);
      if (!problem.empty()) return Refuse(-1, problem, refusal);
      errno = error;
      return -1;
    }
    if (S_ISLNK(st.st_mode)) {
      // Whoever may replace the link chooses the program.
      if (problem.empty()) problem = FolderProblem(folder, &st, real, FileRule::Settings, account);
      if (!problem.empty()) return Refuse(fd, problem, refusal);
      char target[PATH_MAX];
      const ssize_t length = readlinkat(fd, "", target, sizeof target);
      close(fd);
      if (length <= 0 || length == static_cast<ssize_t>(sizeof target)) {
        errno = length < 0 ? ENOENT : ENAMETOOLONG;
        return -1;
      }
      const std::string to(target, static_cast<std::size_t>(length));
      current = to[0] == '/' ? to : real + "/" + to;
      continue;
    }
    if (!S_ISREG(st.st_mode)) {
      close(fd);
      errno = EACCES;  // as execve says of a folder or a device
      return -1;
    }
    const std::string own = FileProblem(st, FileRule::Settings, account);
    if (!own.empty()) return Refuse(fd, own, refusal);
    if (problem.empty()) problem = FolderProblem(folder, &st, real, FileRule::Settings, account);
    if (!problem.empty()) return Refuse(fd, problem, refusal);
    return fd;
  }
  errno = ELOOP;
  return -1;
}

std::string ProgramRefusal(const std::string& path, uid_t account) {
  std::string refusal;
  const int fd = OpenTrustedProgram(path, account, &refusal);
  if (fd >= 0) close(fd);
  return refusal;
}

}  // namespace kestro
