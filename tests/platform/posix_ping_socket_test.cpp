// The datagram socket's answers, dressed as the raw socket hands them over.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/posix/ping_socket_posix.h"

namespace kestro {
namespace {

// Sum of 16-bit words in ones' complement: 0xFFFF over a block whose
// checksum is right.
unsigned OnesSum(const unsigned char* p, int length) {
  unsigned sum = 0;
  for (int i = 0; i + 1 < length; i += 2) sum += p[i] << 8 | p[i + 1];
  if (length % 2) sum += p[length - 1] << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return sum;
}

// An echo message: type, code, checksum (left wrong), identifier and
// sequence as the sweep writes them (little-endian), then data bytes.
std::vector<unsigned char> Echo(int type, int identifier, int sequence, int data) {
  std::vector<unsigned char> m = {static_cast<unsigned char>(type), 0, 0xAB, 0xCD,
                                  static_cast<unsigned char>(identifier),
                                  static_cast<unsigned char>(identifier >> 8),
                                  static_cast<unsigned char>(sequence),
                                  static_cast<unsigned char>(sequence >> 8)};
  for (int i = 0; i < data; ++i) m.push_back(static_cast<unsigned char>(i * 7 + 1));
  return m;
}

// The buffer as Receive leaves it before dressing: room for the header, then
// the ICMP message as the kernel delivered it.
std::vector<unsigned char> Received(const std::vector<unsigned char>& icmp) {
  std::vector<unsigned char> b(kIpv4HeaderSize + icmp.size(), 0xEE);
  std::copy(icmp.begin(), icmp.end(), b.begin() + kIpv4HeaderSize);
  return b;
}

const std::uint32_t kLoopback = 0x0100007F;  // 127.0.0.1 in network order
const std::uint32_t kOther = 0x0764330A;     // 10.51.100.7

TEST(PingSocketTest, AnswerGetsTheRawHeaderAndTheIdentifierSentWithItsSequence) {
  PingSocket socket;
  // 1036 bytes, as the sweep sends them with 1024 data bytes.
  const auto first = Echo(8, 0x0301, 0, 1028);
  const auto second = Echo(8, 0x0302, 1, 1028);
  socket.Sent(first.data(), static_cast<int>(first.size()));
  socket.Sent(second.data(), static_cast<int>(second.size()));

  // The kernel gave both requests the socket's port, 0x9A4E, as identifier.
  for (int sequence : {1, 0}) {  // the late answer to the first comes last
    auto buffer = Received(Echo(0, 0x9A4E, sequence, 1028));
    ASSERT_EQ(1056, socket.DressAsRaw(buffer.data(), 1036, kOther, kLoopback, 63));
    const std::vector<unsigned char> header(buffer.begin(), buffer.begin() + 20);
    const std::vector<unsigned char> expected = {0x45, 0, 0x04, 0x20, 0, 0, 0, 0, 63, 1,
                                                 header[10], header[11],
                                                 10, 51, 100, 7, 127, 0, 0, 1};
    EXPECT_EQ(expected, header);
    EXPECT_EQ(0xFFFFu, OnesSum(buffer.data(), 20));
    const unsigned char* icmp = buffer.data() + 20;
    EXPECT_EQ(sequence == 1 ? 0x02 : 0x01, icmp[4]) << sequence;
    EXPECT_EQ(0x03, icmp[5]);
    EXPECT_EQ(sequence, icmp[6]);
    EXPECT_EQ(0xFFFFu, OnesSum(icmp, 1036)) << "checksum follows the identifier";
    const auto sent = Echo(0, 0, sequence, 1028);
    EXPECT_TRUE(std::equal(sent.begin() + 8, sent.end(), icmp + 8));
  }
}

TEST(PingSocketTest, WhatWasNotSentOrIsNoAnswerKeepsItsBytes) {
  PingSocket socket;
  const auto request = Echo(8, 5, 3, 4);
  socket.Sent(request.data(), static_cast<int>(request.size()));
  struct Row {
    std::vector<unsigned char> icmp;
    const char* why;
  };
  const std::vector<Row> rows = {
      {Echo(0, 0x9A4E, 4, 4), "no request went out with sequence 4"},
      {Echo(3, 0x9A4E, 3, 4), "not an echo answer"},
      {{0, 0, 0x12, 0x34, 0x4E, 0x9A, 3}, "shorter than an ICMP header"},
      {{}, "empty"},
  };
  for (const Row& row : rows) {
    auto buffer = Received(row.icmp);
    const int length = static_cast<int>(row.icmp.size());
    ASSERT_EQ(20 + length, socket.DressAsRaw(buffer.data(), length, kLoopback, kLoopback, 64))
        << row.why;
    EXPECT_TRUE(std::equal(row.icmp.begin(), row.icmp.end(), buffer.begin() + 20)) << row.why;
    EXPECT_EQ(0x45, buffer[0]) << row.why;
    EXPECT_EQ(20 + length, buffer[2] << 8 | buffer[3]) << row.why;
  }
}

TEST(PingSocketTest, AnOddLengthAnswerIsSummedWithItsLastBytePadded) {
  PingSocket socket;
  const auto request = Echo(8, 0xBEEF, 9, 5);
  socket.Sent(request.data(), static_cast<int>(request.size()));
  auto buffer = Received(Echo(0, 1, 9, 5));
  ASSERT_EQ(33, socket.DressAsRaw(buffer.data(), 13, kLoopback, kLoopback, 64));
  EXPECT_EQ(0xEF, buffer[24]);
  EXPECT_EQ(0xBE, buffer[25]);
  EXPECT_EQ(0xFFFFu, OnesSum(buffer.data() + 20, 13));
}

// An error from the error queue reads as the raw socket's error message:
// type and code, then the request's IPv4 header and the request.
TEST(PingSocketTest, ErrorMessageCarriesTheRequestItConcerns) {
  const auto request = Echo(8, 0x9A4E, 2, 4);
  std::vector<unsigned char> buffer(kReturnedRequestOffset + request.size(), 0xEE);
  std::copy(request.begin(), request.end(), buffer.begin() + kReturnedRequestOffset);
  const int length = PingSocket::BuildIcmpError(buffer.data(), static_cast<int>(request.size()),
                                                3, 1, kOther);
  ASSERT_EQ(8 + 20 + 12, length);
  const unsigned char* icmp = buffer.data() + 20;
  EXPECT_EQ(3, icmp[0]);
  EXPECT_EQ(1, icmp[1]);
  EXPECT_EQ(std::vector<unsigned char>(4, 0), std::vector<unsigned char>(icmp + 4, icmp + 8));
  EXPECT_EQ(0xFFFFu, OnesSum(icmp, length));
  const unsigned char* inner = icmp + 8;
  EXPECT_EQ(0x45, inner[0]);
  EXPECT_EQ(32, inner[2] << 8 | inner[3]);
  EXPECT_EQ(1, inner[9]);
  EXPECT_EQ(std::vector<unsigned char>({10, 51, 100, 7}),
            std::vector<unsigned char>(inner + 16, inner + 20));
  EXPECT_TRUE(std::equal(request.begin(), request.end(), inner + 20));
}

}  // namespace
}  // namespace kestro
