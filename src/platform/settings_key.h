#pragma once
// The registry key under HKEY_LOCAL_MACHINE that holds every setting.
namespace kestro {
inline constexpr char kSettingsKeyPath[] = "SOFTWARE\\Morvane\\Kestro";
// Registry text values are read into buffers of this many bytes.
inline constexpr unsigned kRegistryTextSize = 254;
}  // namespace kestro
