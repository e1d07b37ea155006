#include "control/argument_files.h"

#include "platform/command_words.h"

namespace kestro {

bool IsFullPath(const std::string& word, char separator) {
  if (separator == '/') return !word.empty() && word[0] == '/';
  // A drive letter is ASCII, whatever the code page says of other bytes.
  const char letter = static_cast<char>(word.empty() ? 0 : word[0] | 0x20);
  const bool drive = word.size() >= 3 && letter >= 'a' && letter <= 'z' && word[1] == ':' &&
                     (word[2] == '\\' || word[2] == '/');
  return drive || word.compare(0, 2, "\\\\") == 0;
}

std::vector<std::string> FullPathWords(const std::string& argument, char separator) {
  std::vector<std::string> paths;
  const std::vector<std::string> words = CommandWords(argument);
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (IsFullPath(words[i], separator)) paths.push_back(words[i]);
  }
  return paths;
}

}  // namespace kestro
