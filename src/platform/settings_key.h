#pragma once
// The registry keys under HKEY_LOCAL_MACHINE that hold every setting: the
// program's own key, and the policy key that a site's Group Policy writes,
// whose values win.
namespace kestro {
inline constexpr char kSettingsKeyPath[] = "SOFTWARE\\Morvane\\Kestro";
// The value that names the log folder, read by the log writer itself.
inline constexpr char kLogDirValue[] = "LogDir";
inline constexpr char kPolicyKeyPath[] = "SOFTWARE\\Policies\\Morvane\\Kestro";
// Registry text values are read into buffers of this many bytes.
inline constexpr unsigned kRegistryTextSize = 254;
}  // namespace kestro
