/* Preloaded into the real program by a test: each open of a file named
 * $KESTRO_HOLD_NAME waits first until the test has opened the FIFO
 * $KESTRO_HOLD_FIFO for writing and closed it again. While it waits, the
 * program holds the FIFO open for reading, which the test can see. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

typedef int (*OpenAt)(int, const char*, int, ...);

static void Hold(const char* path) {
  const char* name = getenv("KESTRO_HOLD_NAME");
  const char* fifo = getenv("KESTRO_HOLD_FIFO");
  if (name == NULL || fifo == NULL || path == NULL) return;
  const char* base = strrchr(path, '/');
  if (strcmp(base != NULL ? base + 1 : path, name) != 0) return;
  OpenAt real = (OpenAt)dlsym(RTLD_NEXT, "openat");
  const int fd = real(AT_FDCWD, fifo, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  char c;
  while (read(fd, &c, 1) > 0) {
  }
  close(fd);
}

static mode_t ModeOf(int flags, va_list ap) {
  return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
}

int openat(int dirfd, const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t mode = ModeOf(flags, ap);
  va_end(ap);
  Hold(path);
  return ((OpenAt)dlsym(RTLD_NEXT, "openat"))(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
  va_list ap;
  va_start(ap, flags);
  const mode_t mode = ModeOf(flags, ap);
  va_end(ap);
  Hold(path);
  return ((OpenAt)dlsym(RTLD_NEXT, "openat64"))(dirfd, path, flags, mode);
}
