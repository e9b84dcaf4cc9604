#pragma once

// The search plan as the settings keep it, in plain values: the finder knows nothing of the
// settings store, so whoever owns both reads these from it, applies them and writes back
// what apply_search_settings filled in.

#include <string>

#include "common/msg_strings.h"

class PortFinderExt;

struct SearchSettings {
    bool onlyOnePort = false;
    bool onePortAtATime = false;
    std::string baudListText;  // "rate-wait rate-wait ..."; empty: none stored yet
    Msg::Strings searchLines;  // "AT<CR> <CR><LF>OK<CR><LF>" ...; empty: none stored yet
};

// Gives the finder the stored plan. What is not stored yet is taken from the finder's plan
// and put into settings, so that the caller stores the plan in use. A baud text without a
// single entry is refused by the finder, which keeps its list; stored lines that are no
// command are left out.
void apply_search_settings(PortFinderExt& finder, SearchSettings& settings);
