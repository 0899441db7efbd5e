// Uninstalls driven by the Uninstall entries that Windows installers leave in the registry:
// by display name (searching every entry) and by a registry value the agent names with -k.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ovr {

// "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\" under HKEY_LOCAL_MACHINE.
inline constexpr char kUninstallKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Appends the name of every subkey of `keyPath` (default view), in enumeration order; an
// unopenable key adds nothing.
void EnumerateUninstallKeys(std::vector<std::string> &names, const char *keyPath);

// The text value `valueName` of `keyPath` read from the 64-bit view when `view64` is set,
// else from the 32-bit view. 0 and `text` filled, 13 for a value that is not REG_SZ or
// REG_EXPAND_SZ or lacks its terminator, 234 for one longer than 2047 characters, or the
// registry's code.
uint32_t ReadUninstallValue(const char *keyPath, const char *valueName, bool view64,
                            std::string &text);

// The text of value `valueName` of `keyPath` (ReadRegSZ; with `ex` ReadRegSZEx), or nothing
// when it cannot be read.
std::optional<std::string> ReadUninstallText(const std::string &keyPath, const char *valueName,
                                             bool ex = false);

// A rule's choice of entries (by display name) and the command it runs for one of them
// (by the entry's path and subkey name); no command skips the entry.
using UninstallMatch = bool (*)(const std::string &displayName);
using UninstallCommand = std::optional<std::string> (*)(const std::string &entryPath,
                                                        const std::string &subkeyName);

// Runs the uninstaller of every Uninstall entry that `match` accepts, deletes the entry and
// creates the product's record; an uninstaller's failure changes none of that.
void UninstallByDisplayName(UninstallMatch match, UninstallCommand command, int minutes);

bool HipChatMatch(const std::string &displayName);
std::optional<std::string> HipChatCommand(const std::string &entryPath, const std::string &subkeyName);
bool AdvancedInstallerMatch(const std::string &displayName);
std::optional<std::string> AdvancedInstallerCommand(const std::string &entryPath,
                                                    const std::string &subkeyName);

// The generic rule's uninstall: the value named by -k, followed by the -s switches.
void UninstallByRegistryValue();

}  // namespace ovr
