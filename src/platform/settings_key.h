#pragma once
// The registry key under HKEY_LOCAL_MACHINE that holds every setting.
namespace kestro {
inline constexpr char kSettingsKeyPath[] = "SOFTWARE\\Morvane\\Kestro";
// The value that names the log folder, read by the log writer itself.
inline constexpr char kLogDirValue[] = "LogDir";
// Registry text values are read into buffers of this many bytes.
inline constexpr unsigned kRegistryTextSize = 254;
}  // namespace kestro
