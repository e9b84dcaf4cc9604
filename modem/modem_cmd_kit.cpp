#include "modem/modem_cmd_kit.h"

#include "modem/at_keywords.h"

ModemCmdKit::ModemCmdKit()
    : sendMessage{"CMGS", 1000},
      messageIndication{"CNMI", 1000},
      indicationParams{"1,1,0,1"},
      indicationParamsNoReports{"1,1,0,0"},
      messageFormat{std::string{AtKeywords::cmgf}, 10000},
      shortTimeoutMs{1000},
      longTimeoutMs{10000} {}
