// The echo request as bytes on the wire, and its checksum.
#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "probe/echo_message.h"

namespace kestro {
namespace {

using testing::FakeSystem;

TEST(InternetChecksum, KnownSequences) {
  // RFC 1071's example, read as little-endian words: 0x0100 + 0x03f2 + 0xf5f4 + 0xf7f6;
  // the result is the byte swap of the RFC's 0x220d.
  const unsigned char even[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
  EXPECT_EQ(0x0d22, InternetChecksum(even, sizeof even));
  const unsigned char odd[] = {0x01, 0x02, 0x03};
  EXPECT_EQ(static_cast<std::uint16_t>(~(0x0201 + 0x03)), InternetChecksum(odd, sizeof odd));
  EXPECT_EQ(0xFFFF, InternetChecksum(odd, 0));
  const unsigned char carries[] = {0xff, 0xff, 0xff, 0xff, 0x01, 0x00};
  EXPECT_EQ(0xFFFE, InternetChecksum(carries, sizeof carries));
}

TEST(InternetChecksum, MessageWithItsChecksumSumsToAllOnes) {
  for (std::size_t length : {12u, 13u, 1036u, 4096u}) {
    std::vector<unsigned char> m(length);
    for (std::size_t i = 0; i < length; ++i) m[i] = static_cast<unsigned char>(i * 37 + 11);
    m[2] = m[3] = 0;
    WriteLe16(&m[2], InternetChecksum(m.data(), length));
    EXPECT_EQ(0, InternetChecksum(m.data(), length)) << length;  // the folded sum is 0xFFFF
  }
}

TEST(EchoRequest, LayoutByteByByte) {
  FakeSystem sys;
  sys.Install();
  std::vector<unsigned char> m(12 + 300, 0xEE);
  const std::uint16_t id = static_cast<std::uint16_t>(CurrentEchoIdentifier() + 1);
  FillEchoRequest(m.data(), m.size());
  SealEchoRequest(m.data(), m.size(), 0x12345678, 0x0102);
  EXPECT_EQ(8, m[0]);
  EXPECT_EQ(0, m[1]);
  EXPECT_EQ(id, m[4] | m[5] << 8);
  EXPECT_EQ(id, CurrentEchoIdentifier());
  EXPECT_EQ(0x02, m[6]);
  EXPECT_EQ(0x01, m[7]);
  EXPECT_EQ((std::vector<unsigned char>{0x78, 0x56, 0x34, 0x12}),
            std::vector<unsigned char>(m.begin() + 8, m.begin() + 12));
  for (std::size_t i = 12; i < m.size(); ++i) EXPECT_EQ((i - 12) % 255, m[i]) << i;
  EXPECT_EQ(0, InternetChecksum(m.data(), m.size()));
}

TEST(EchoRequest, EmptyDataIsHeaderAndSendTimeOnly) {
  FakeSystem sys;
  sys.Install();
  unsigned char m[13] = {0};
  m[12] = 0x5A;
  FillEchoRequest(m, 12);
  EXPECT_EQ(0x5A, m[12]);  // nothing written past the message
  EXPECT_EQ(0, sys.random.next);
}

}  // namespace
}  // namespace kestro
