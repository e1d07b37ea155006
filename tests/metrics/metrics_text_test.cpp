// The metrics file's text for each kind of pass, compared with the text
// expected.
#include <gtest/gtest.h>

#include <sstream>

#include "metrics/metrics_text.h"

namespace kestro {
namespace {

PassFigures Program() {
  PassFigures f;
  f.EndTime = 1796623312;
  f.Passes = 3;
  f.AddressChanges = 2;
  f.Version = "2003.12.09.0";
  return f;
}

// A completed sweep of seven requests of 1024 bytes with these answers.
PassFigures Swept(std::initializer_list<std::uint32_t> answers) {
  PassFigures f = Program();
  f.Swept = true;
  f.Server = "staging7.example.com";
  f.Sweep.TotalCount = f.Sweep.TimeoutCount = 7;
  f.Sweep.Timeout = 2.0f;
  for (std::uint32_t ms : answers) f.Sweep.RecordReply(ms);
  f.Sweep.FinishSweep();
  return f;
}

// The samples alone, without the HELP and TYPE lines.
std::string Samples(const std::string& text) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line))
    if (line[0] != '#') out += line + "\n";
  return out;
}

const char kProgramSamples[] =
    "kestro_last_pass_timestamp_seconds 1796623312\n"
    "kestro_passes_total 3\n"
    "kestro_address_changes_total 2\n"
    "kestro_build_info{version=\"2003.12.09.0\"} 1\n";

TEST(MetricsText, HealthySweepWithTwoSlots) {
  PassFigures f = Swept({5, 6, 3, 17, 7, 9, 8});
  f.Slots = {{1, true, true}, {3, false, false}};
  EXPECT_EQ(R"(# HELP kestro_last_pass_timestamp_seconds Unix time at which the last pass ended.
# TYPE kestro_last_pass_timestamp_seconds gauge
kestro_last_pass_timestamp_seconds 1796623312
# HELP kestro_passes_total Passes since the program started, those without a staging server included.
# TYPE kestro_passes_total counter
kestro_passes_total 3
# HELP kestro_address_changes_total Changes of the address table noted since the program started.
# TYPE kestro_address_changes_total counter
kestro_address_changes_total 2
# HELP kestro_build_info The program's version.
# TYPE kestro_build_info gauge
kestro_build_info{version="2003.12.09.0"} 1
# HELP kestro_staging_server_info The staging server named by the agent's configuration file.
# TYPE kestro_staging_server_info gauge
kestro_staging_server_info{host="staging7.example.com"} 1
# HELP kestro_sweep_error_code ErrorCode of the last sweep: 0, or the failure that ended it.
# TYPE kestro_sweep_error_code gauge
kestro_sweep_error_code 0
# HELP kestro_sweep_requests Echo requests of the last sweep (TotalCount).
# TYPE kestro_sweep_requests gauge
kestro_sweep_requests 7
# HELP kestro_sweep_answers Answers to the last sweep (Packets).
# TYPE kestro_sweep_answers gauge
kestro_sweep_answers 7
# HELP kestro_sweep_timeouts Requests of the last sweep without an answer (TimeoutCount).
# TYPE kestro_sweep_timeouts gauge
kestro_sweep_timeouts 0
# HELP kestro_sweep_answer_min_seconds Shortest answer of the last sweep (MinTime); NaN without an answer.
# TYPE kestro_sweep_answer_min_seconds gauge
kestro_sweep_answer_min_seconds 0.00300
# HELP kestro_sweep_answer_max_seconds Longest answer of the last sweep (MaxTime); NaN without an answer.
# TYPE kestro_sweep_answer_max_seconds gauge
kestro_sweep_answer_max_seconds 0.01700
# HELP kestro_sweep_answer_average_seconds AvgTime of the last sweep / 1000 (an unanswered request adds the time-out's seconds as if milliseconds); NaN when the sweep failed.
# TYPE kestro_sweep_answer_average_seconds gauge
kestro_sweep_answer_average_seconds 0.00786
# HELP kestro_sweep_bytes_per_second BytesPerSecond of the last sweep.
# TYPE kestro_sweep_bytes_per_second gauge
kestro_sweep_bytes_per_second 131.85
# HELP kestro_slot_start Verdict of the last pass for the slot: 1 start, 0 stop.
# TYPE kestro_slot_start gauge
kestro_slot_start{slot="1"} 1
kestro_slot_start{slot="3"} 0
# HELP kestro_slot_action_succeeded 1 when the slot's service reached its state and its command ended with 0.
# TYPE kestro_slot_action_succeeded gauge
kestro_slot_action_succeeded{slot="1"} 1
kestro_slot_action_succeeded{slot="3"} 0
)",
            MetricsText(f));
}

TEST(MetricsText, OtherPasses) {
  PassFigures silent = Swept({});
  silent.Slots = {{2, false, true}};
  PassFigures failed = Program();
  failed.Swept = true;
  failed.Server = "nowhere";
  failed.Sweep.TotalCount = failed.Sweep.TimeoutCount = 7;
  failed.Sweep.Timeout = 2.0f;
  failed.Sweep.ErrorCode = 8;
  failed.Slots = {{1, false, true}};
  PassFigures fast = Swept({0, 0, 0, 0, 0, 0, 0});  // SumTime raised to 1
  PassFigures empty = Swept({});
  empty.Sweep.TotalCount = empty.Sweep.TimeoutCount = 0;
  empty.Sweep.FinishSweep();
  const std::string sweepHead = "kestro_staging_server_info{host=\"staging7.example.com\"} 1\n";
  const struct {
    const char* name;
    PassFigures figures;
    std::string samples;
  } cases[] = {
      {"silent host", silent,
       sweepHead + "kestro_sweep_error_code 0\nkestro_sweep_requests 7\nkestro_sweep_answers 0\n"
       "kestro_sweep_timeouts 7\nkestro_sweep_answer_min_seconds NaN\n"
       "kestro_sweep_answer_max_seconds NaN\nkestro_sweep_answer_average_seconds 0.00200\n"
       "kestro_sweep_bytes_per_second 518.00\n"
       "kestro_slot_start{slot=\"2\"} 0\nkestro_slot_action_succeeded{slot=\"2\"} 1\n"},
      {"failed sweep", failed,
       "kestro_staging_server_info{host=\"nowhere\"} 1\nkestro_sweep_error_code 8\n"
       "kestro_sweep_requests 7\nkestro_sweep_answers 0\nkestro_sweep_timeouts 7\n"
       "kestro_sweep_answer_min_seconds NaN\nkestro_sweep_answer_max_seconds NaN\n"
       "kestro_sweep_answer_average_seconds NaN\nkestro_sweep_bytes_per_second 0.00\n"
       "kestro_slot_start{slot=\"1\"} 0\nkestro_slot_action_succeeded{slot=\"1\"} 1\n"},
      {"answers under a millisecond", fast,
       sweepHead + "kestro_sweep_error_code 0\nkestro_sweep_requests 7\nkestro_sweep_answers 7\n"
       "kestro_sweep_timeouts 0\nkestro_sweep_answer_min_seconds 0.00000\n"
       "kestro_sweep_answer_max_seconds 0.00000\nkestro_sweep_answer_average_seconds 0.00014\n"
       "kestro_sweep_bytes_per_second 7252.00\n"},
      {"no requests", empty,
       sweepHead + "kestro_sweep_error_code 0\nkestro_sweep_requests 0\nkestro_sweep_answers 0\n"
       "kestro_sweep_timeouts 0\nkestro_sweep_answer_min_seconds NaN\n"
       "kestro_sweep_answer_max_seconds NaN\nkestro_sweep_answer_average_seconds +Inf\n"
       "kestro_sweep_bytes_per_second 0.00\n"},
      {"no staging server", Program(), ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(kProgramSamples + c.samples, Samples(MetricsText(c.figures))) << c.name;
}

TEST(MetricsText, LabelValuesAreEscapedAndUtf8) {
  const struct {
    std::string raw, label;
  } cases[] = {
      {"plain.example.com", "plain.example.com"},
      {"a\"b\\c\nd", "a\\\"b\\\\c\\nd"},
      {"tab\tcr\r", "tab\tcr\r"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},                      // UTF-8 kept
      {"Pr\xfc" "fserver", "Pr\xc3\xbc" "fserver"},         // Latin-1 made UTF-8
      {"\xe0\xa0", "\xc3\xa0\xc2\xa0"},                     // a cut-off sequence
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},         // a surrogate
      {"\xf0\x9f\x98\x80!", "\xf0\x9f\x98\x80!"},
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                     // overlong
  };
  for (const auto& c : cases) EXPECT_EQ(c.label, LabelValue(c.raw)) << c.raw;
  PassFigures f = Swept({1});
  f.Server = "x\"}\n1";
  EXPECT_NE(std::string::npos,
            MetricsText(f).find("\nkestro_staging_server_info{host=\"x\\\"}\\n1\"} 1\n"));
}

}  // namespace
}  // namespace kestro
