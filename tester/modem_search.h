#pragma once

// The modem search as every program of the tool runs it: the plan from the settings, the
// port and rate found last time tried first. Whoever owns the settings decides whether what a
// search found is saved; the search only keeps it in them.

#include <string>

class PortFinderExt;

// Gives the finder the stored plan; what is not stored yet is put into the settings.
void applyStoredSearchPlan(PortFinderExt& finder);

// Searches; on success keeps the port and rate in the settings and returns true, with
// warning the line (1251) that ModemManager has the modem's device open too, or empty. Reads
// all of /proc for that, once: not on the user-interface thread of a window.
bool searchModem(PortFinderExt& finder, std::string& warning);
