#pragma once
#include <cstdint>
#include <string>

namespace kestro {

// Event types of the Application event log.
inline constexpr std::uint16_t kEventError = 1;
inline constexpr std::uint16_t kEventWarning = 2;
inline constexpr std::uint16_t kEventInformation = 4;

// Source name, and the category and message of the program's message table
// ("Information Category" and "%1").
inline constexpr char kEventSourceName[] = "Kestro";
inline constexpr std::uint16_t kEventCategory = 956;
inline constexpr std::uint32_t kEventMessageId = 957;
// The message of a slot that changed its word ("%1" as well), so that a
// forwarding rule can select those entries by their ID.
inline constexpr std::uint32_t kSlotChangeMessageId = 958;

// Writes one entry whose whole description is `text`. Lost silently when the
// source cannot be registered.
void ReportToEventLog(const std::string& text, std::uint16_t type,
                      std::uint32_t messageId = kEventMessageId);

}  // namespace kestro
