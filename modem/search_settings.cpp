#include "modem/search_settings.h"

#include "modem/at_cmd_param_mt.h"
#include "modem/baudrate_param.h"
#include "modem/port_finder_ext.h"
#include "modem/search_plan.h"

void apply_search_settings(PortFinderExt& finder, SearchSettings& settings) {
    finder.set_only_one_port(settings.onlyOnePort);
    finder.set_one_port_at_a_time(settings.onePortAtATime);

    if (settings.baudListText.empty()) {
        baud_list_to_text(finder.baud_list(), settings.baudListText);
    } else {
        BaudrateParams list;
        baud_list_from_text(settings.baudListText, list);
        finder.set_baud_list(list);
    }

    if (settings.searchLines.empty()) {
        search_lines_from_params(finder.search_command_params(), settings.searchLines);
    } else {
        AtCmdParamMtList params;
        parseCommandLines(settings.searchLines, params);
        finder.set_search_commands(params);
    }
}
