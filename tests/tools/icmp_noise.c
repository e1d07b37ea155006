/* What any user of this machine may send during a sweep, for the tests of
   the echo judgement. Runs without privileges (the ICMP datagram socket needs
   net.ipv4.ping_group_range) for SECONDS, then ends.
     icmp_noise udp ADDRESS SECONDS
       UDP to a closed port of ADDRESS, one a millisecond: the kernel answers
       each with a port-unreachable message.
     icmp_noise flood ADDRESS SECONDS
       echo requests of 1400 data bytes, one a millisecond.
     icmp_noise forge ADDRESS COUNT SECONDS
       for each identifier 1 to COUNT, as the sweep writes them: a datagram
       socket bound to it, sending an echo request every 5 ms whose send time
       (the millisecond tick the sweep reads) lies 15883 ms back. */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

static uint32_t Tick(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint32_t)((uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u);
}

static void Pause(long microseconds) {
  struct timespec t = {0, microseconds * 1000L};
  nanosleep(&t, NULL);
}

static int Fail(const char* what) {
  perror(what);
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: icmp_noise udp|flood ADDRESS SECONDS | forge ADDRESS COUNT SECONDS\n");
    return 2;
  }
  struct sockaddr_in to;
  memset(&to, 0, sizeof to);
  to.sin_family = AF_INET;
  if (inet_pton(AF_INET, argv[2], &to.sin_addr) != 1) return 2;
  const int forge = strcmp(argv[1], "forge") == 0;
  const int count = forge ? atoi(argv[3]) : 1;
  const uint32_t end = Tick() + 1000u * (uint32_t)atoi(argv[forge ? 4 : 3]);
  unsigned char message[8 + 1400];
  memset(message, 0x5A, sizeof message);

  if (strcmp(argv[1], "udp") == 0) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return Fail("socket");
    to.sin_port = htons(9);
    while ((int32_t)(end - Tick()) > 0) {
      sendto(fd, message, 64, 0, (struct sockaddr*)&to, sizeof to);
      Pause(1000);
    }
    return 0;
  }

  int fds[64];
  if (count < 1 || count > 64) return 2;
  for (int i = 0; i < count; ++i) {
    fds[i] = socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
    if (fds[i] < 0) return Fail("socket");
    if (forge) {
      /* The kernel writes the bound "port" as the identifier, in the order
         of the port; the sweep writes its identifiers little-endian. */
      struct sockaddr_in self;
      memset(&self, 0, sizeof self);
      self.sin_family = AF_INET;
      unsigned char id[2] = {(unsigned char)(i + 1), (unsigned char)((i + 1) >> 8)};
      memcpy(&self.sin_port, id, 2);
      if (bind(fds[i], (struct sockaddr*)&self, sizeof self) != 0) return Fail("bind");
    }
  }
  message[0] = 8; /* echo request; the kernel puts identifier and checksum */
  message[1] = 0;
  for (uint16_t sequence = 0; (int32_t)(end - Tick()) > 0; ++sequence) {
    message[6] = (unsigned char)sequence;
    message[7] = (unsigned char)(sequence >> 8);
    const uint32_t sent = Tick() - 15883u;
    memcpy(message + 8, &sent, 4); /* little-endian, as the sweep writes it */
    for (int i = 0; i < count; ++i)
      sendto(fds[i], message, forge ? 8 + 16 : sizeof message, 0, (struct sockaddr*)&to, sizeof to);
    Pause(forge ? 5000 : 1000);
  }
  return 0;
}
