#include "ui/desktop_platform.h"

#include <langinfo.h>
#include <strings.h>
#include <xcb/xcb.h>

#include <clocale>

namespace ui {

std::string preferredQtPlatform(const char* qtPlatform, const char* display) {
    if ((qtPlatform != nullptr && *qtPlatform != '\0') || display == nullptr || *display == '\0') {
        return {};
    }
    // A whole connection, authorisation included: a display that refuses us would make Qt
    // give up on xcb at once instead of trying what else there is.
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached ? "xcb" : std::string();
}

void useUtf8CharacterType() {
    const char* codeset = nl_langinfo(CODESET);
    if (::strcasecmp(codeset, "UTF-8") == 0 || ::strcasecmp(codeset, "utf8") == 0) {
        return;
    }
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, name) != nullptr) {
            return;
        }
    }
}

}  // namespace ui
