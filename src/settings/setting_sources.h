#pragma once
// One reading of the settings: each value from the policy key where it is
// set there, else from the own key, else it stays as it was (the default on
// the first reading). A value that is there but cannot be read, in either
// key, is reported in the log with "Could not read " and its key's path.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/setting_keys.h"

namespace kestro {

// The names of the values read, in the order read, by where the value a
// reading went on with came from: the policy key, the own key, or neither
// (not set, or not readable: the previous value, or the default, stays).
struct SettingOrigins {
  std::vector<std::string> Policy, Own, Neither;
};

// While `sink` is set, every reading on this thread adds each value's
// origin to it; nullptr ends that. "-check" shows them.
void NoteSettingOrigins(SettingOrigins* sink);

class SettingSources {
 public:
  // Opens both keys; a refused store is said in the log, the own one's first.
  SettingSources();

  // Whether there is anything to read: without either key, every value
  // stays as it was.
  bool Open() const { return keys_.Own() != 0 || keys_.PolicyOpen(); }

  // The value `name`: true with it in `value` when the policy key or the
  // own key gave it. Otherwise `missing` tells whether it is set in neither
  // (asked only when `optional`, as for the others the own key's calls stay
  // those of a reading without policies); one that is there but cannot be
  // read is reported.
  bool Number(const char* name, bool optional, std::uint32_t* value, bool* missing);
  bool Text(const char* name, bool optional, std::string* value, bool* missing);

 private:
  // `name` as Number and Text read it, the policy's answer `policy` given
  // and the own key asked through `query`.
  bool Read(const char* name, PolicyValue policy, const std::function<bool(RegKey)>& query,
            bool optional, bool* missing);

  SettingKeys keys_;
};

// A value the settings cannot do without: where it is set in neither key
// while the own key is there, "Could not read " with the own key's path,
// and `field` keeps its value.
void ReadNumber(SettingSources& sources, const char* name, std::uint32_t& field);
void ReadText(SettingSources& sources, const char* name, std::string& field);
// A value beyond those: set in neither key, it is `fallback` (empty),
// without a line.
void ReadOptionalNumber(SettingSources& sources, const char* name, std::uint32_t fallback,
                        std::uint32_t& field);
void ReadOptionalText(SettingSources& sources, const char* name, std::string& field);

}  // namespace kestro
