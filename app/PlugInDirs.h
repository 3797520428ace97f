// The browser's plug-in folders as its registry values name them.
#pragma once
#include <string>
#include <vector>

// Two entries, in this order: the folder the machine-wide version key names, then the user's
// install folder + "\Program\Plugins". A non-empty entry ends in "\"; either may be empty (no
// value), and a named folder need not exist.
std::vector<std::string> GetPlugInDirs();
// The entries of GetPlugInDirs whose folders exist.
std::vector<std::string> ExistingPlugInDirs();
