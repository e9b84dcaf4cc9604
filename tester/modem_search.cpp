#include "tester/modem_search.h"

#include "common_storage/config.h"
#include "modem/port_finder_ext.h"
#include "modem/port_open_diagnosis.h"
#include "modem/search_settings.h"

void applyStoredSearchPlan(PortFinderExt& finder) {
    Config& config = Config::instance();
    SearchSettings stored{config.only_one_port(), config.one_port_at_a_time(), config.baud_list(),
                          config.search_commands()};
    apply_search_settings(finder, stored);
    config.set_baud_list(stored.baudListText);
    config.search_commands() = stored.searchLines;
}

bool searchModem(PortFinderExt& finder, std::string& warning) {
    Config& config = Config::instance();
    if (!finder.find(config.last_port(), config.last_baud())) {
        return false;
    }
    config.set_last_port(finder.found_port());
    config.set_last_baud(finder.found_baud());
    warning = modemManagerWarning(finder.found_port());
    return true;
}
