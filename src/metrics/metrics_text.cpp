#include "metrics/metrics_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestro {
namespace {

// The log's sentinels for "no answer" and "not completed" (MinTime, MaxTime,
// AvgTime): no time at all, so not a number here.
constexpr float kNoTime = 99999.0f;

// Length of the well-formed UTF-8 sequence at `i`, 0 when there is none.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
  const auto at = [&s](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = at(i);
  std::size_t n;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) low = 0xA0;  // overlong
    if (c == 0xED) high = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;
  }
  if (i + n > s.size() || at(i + 1) < low || at(i + 1) > high) return 0;
  for (std::size_t k = 2; k < n; ++k)
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  return n;
}

// Numbers as the format spells them; the two-decimal ones as the log does.
std::string Special(double value) {
  if (std::isnan(value)) return "NaN";
  return value > 0 ? "+Inf" : "-Inf";
}

std::string Fixed2(float value) {
  if (!std::isfinite(value)) return Special(value);
  char text[64];
  std::snprintf(text, sizeof text, "%.02f", static_cast<double>(value));
  return text;
}

// A figure the log shows per millisecond ("7.86", "131.85") moved three
// places: to seconds ("0.00786", `toSeconds`) or to a rate per second
// ("131850"). The same digits as the log, whatever the build's printf.
std::string MovePoint(float perMillisecond, bool toSeconds) {
  const std::string ms = Fixed2(perMillisecond);
  if (!std::isfinite(perMillisecond)) return ms;
  const bool negative = ms[0] == '-';
  std::string digits;
  for (char c : ms)
    if (c >= '0' && c <= '9') digits += c;
  if (toSeconds) {
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
    digits.insert(digits.size() - 5, ".");
  } else {
    digits += '0';
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  }
  return negative ? "-" + digits : digits;
}

std::string Seconds(float milliseconds) {
  if (milliseconds == kNoTime || milliseconds == -kNoTime) return "NaN";
  return MovePoint(milliseconds, true);
}

class Exposition {
 public:
  void Family(const char* name, const char* type, const char* help) {
    name_ = name;
    text_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
  }
  void Sample(const std::string& value, const std::string& labels = "") {
    text_ += name_ + (labels.empty() ? "" : "{" + labels + "}") + " " + value + "\n";
  }
  // A gauge of one sample without labels.
  void Gauge(const char* name, const char* help, const std::string& value) {
    Family(name, "gauge", help);
    Sample(value);
  }
  std::string Text() const { return text_; }

 private:
  std::string name_;
  std::string text_;
};

std::string Label(const char* name, const std::string& value) {
  return std::string(name) + "=\"" + LabelValue(value) + "\"";
}

}  // namespace

std::string LabelValue(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (const std::size_t n = Utf8Length(text, i)) {
      out.append(text, i, n);
      i += n;
      continue;
    } else {
      // A byte of some 8-bit code page: read as Latin-1, the most common.
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
    ++i;
  }
  return out;
}

std::string MetricsText(const PassFigures& f) {
  Exposition e;
  e.Family("kestro_last_pass_timestamp_seconds", "gauge", "Unix time at which the last pass ended.");
  e.Sample(std::to_string(f.EndTime));
  e.Family("kestro_passes_total", "counter",
           "Passes since the program started, those without a staging server included.");
  e.Sample(std::to_string(f.Passes));
  e.Family("kestro_address_changes_total", "counter",
           "Changes of the address table noted since the program started.");
  e.Sample(std::to_string(f.AddressChanges));
  e.Family("kestro_build_info", "gauge", "The program's version.");
  e.Sample("1", Label("version", f.Version));
  if (f.PassInterval != 0) {
    e.Gauge("kestro_pass_interval_seconds",
            "Seconds after the end of a pass when the next timed one is due (PassInterval).",
            std::to_string(f.PassInterval));
    e.Gauge("kestro_pass_splay_seconds",
            "The longest random wait before a due pass begins (PassSplay, at most 3600).",
            std::to_string(f.PassSplay));
  }
  if (f.HeldUntil != 0) {
    e.Gauge("kestro_pass_held_until_timestamp_seconds",
            "Unix time at which the due pass that PassSplay holds back begins.",
            std::to_string(f.HeldUntil));
  }
  if (f.Observing) {
    e.Gauge("kestro_observe",
            "1: Observe is set; the slots are judged and counted, but no service is started or "
            "stopped and no command is run.",
            "1");
  }
  if (f.Swept) {
    const PingStatistics& s = f.Sweep;
    e.Family("kestro_staging_server_info", "gauge",
             "The staging server named by the agent's configuration file.");
    e.Sample("1", Label("host", f.Server));
    e.Family("kestro_sweep_error_code", "gauge",
             "ErrorCode of the last sweep: 0, or the failure that ended it.");
    e.Sample(std::to_string(s.ErrorCode));
    e.Family("kestro_sweep_requests", "gauge", "Echo requests of the last sweep (TotalCount).");
    e.Sample(std::to_string(s.TotalCount));
    e.Family("kestro_sweep_answers", "gauge", "Answers to the last sweep (Packets).");
    e.Sample(std::to_string(s.TotalCount - s.TimeoutCount));
    e.Family("kestro_sweep_timeouts", "gauge",
             "Requests of the last sweep without an answer (TimeoutCount).");
    e.Sample(std::to_string(s.TimeoutCount));
    e.Family("kestro_sweep_answer_min_seconds", "gauge",
             "Shortest answer of the last sweep (MinTime); NaN without an answer.");
    e.Sample(Seconds(s.MinTime));
    e.Family("kestro_sweep_answer_max_seconds", "gauge",
             "Longest answer of the last sweep (MaxTime); NaN without an answer.");
    e.Sample(Seconds(s.MaxTime));
    e.Family("kestro_sweep_answer_average_seconds", "gauge",
             "AvgTime of the last sweep / 1000 (an unanswered request adds the time-out's "
             "seconds as if milliseconds); NaN when the sweep failed.");
    e.Sample(Seconds(s.AvgTime));
    e.Family("kestro_sweep_bytes_per_second", "gauge",
             "Bytes of the last sweep's requests per second of its SumTime: the log's "
             "BytesPerSecond (per millisecond) times 1000.");
    e.Sample(MovePoint(s.BytesPerSecond, false));
    if (s.ProbePort != 0) {
      e.Family("kestro_sweep_tcp_port", "gauge",
               "The TCP port the last sweep connected to (ProbePort) instead of sending echo "
               "requests; absent after an echo sweep.");
      e.Sample(std::to_string(s.ProbePort));
    }
  }
  // One gauge a slot, labelled with the slot's number.
  const auto slots = [&](const char* name, const char* help, auto value) {
    e.Family(name, "gauge", help);
    for (const SlotFigures& slot : f.Slots)
      e.Sample(value(slot), Label("slot", std::to_string(slot.Number)));
  };
  const auto bit = [](bool on) { return std::string(on ? "1" : "0"); };
  if (!f.Slots.empty()) {
    slots("kestro_slot_start", "Verdict of the last pass for the slot: 1 start, 0 stop.",
          [&](const SlotFigures& slot) { return bit(slot.Start); });
    slots("kestro_slot_action_succeeded",
          "1 when the slot's service reached its state and its command ended with 0.",
          [&](const SlotFigures& slot) { return bit(slot.Succeeded); });
  }
  if (!f.Slots.empty() && (f.Confirming || f.Observing)) {
    slots("kestro_slot_acted_start",
          "What the slot acted on in the last pass: 1 start, 0 stop; it changes only after "
          "StopAfterN or StartAfterN sweeps in a row.",
          [&](const SlotFigures& slot) { return bit(slot.ActedStart); });
    slots("kestro_slot_pending_sweeps",
          "Sweeps in a row so far against the slot's acted word; 0 when none is pending.",
          [](const SlotFigures& slot) { return std::to_string(slot.Pending); });
  }
  return e.Text();
}

}  // namespace kestro
