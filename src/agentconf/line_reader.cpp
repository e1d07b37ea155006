#include "agentconf/line_reader.h"

#include <algorithm>

#include "platform/platform.h"

namespace kestro {

bool LineReader::NextChar(char* c) {
  if (pushedBack_ >= 0) {
    *c = static_cast<char>(pushedBack_);
    pushedBack_ = -1;
    return true;
  }
  if (position_ == length_) {
    if (failed_) return false;
    const long got = Os().sharedFile->Read(handle_, buffer_, sizeof buffer_);
    position_ = 0;
    length_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    failed_ = got < 0;
    if (length_ == 0) return false;
  }
  *c = buffer_[position_++];
  return true;
}

bool LineReader::Next(std::string* piece) {
  piece->clear();
  char c;
  while (piece->size() < maxChars_) {
    // Plain characters in bulk, up to the next CR or LF or the piece's end.
    if (pushedBack_ < 0 && position_ < length_) {
      std::size_t end = position_;
      const std::size_t limit = position_ + std::min(length_ - position_, maxChars_ - piece->size());
      while (end < limit && buffer_[end] != '\r' && buffer_[end] != '\n') ++end;
      piece->append(buffer_ + position_, end - position_);
      position_ = end;
      if (piece->size() == maxChars_) break;
    }
    if (!NextChar(&c)) break;
    if (c == '\r') {
      // CR LF reads as LF; a lone CR stays.
      char next;
      if (NextChar(&next)) {
        if (next == '\n') {
          c = '\n';
        } else {
          pushedBack_ = static_cast<unsigned char>(next);
        }
      }
    }
    *piece += c;
    if (c == '\n') break;
  }
  // As with fgets, a read that fails ends the file and loses the piece it
  // cut short: half a host name is no host name.
  if (failed_) piece->clear();
  return !piece->empty();
}

}  // namespace kestro
