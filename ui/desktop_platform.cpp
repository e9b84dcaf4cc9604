#include "ui/desktop_platform.h"

#include <langinfo.h>
#include <strings.h>
#include <xcb/xcb.h>

#include <clocale>

namespace ui {

QtPlatformChoice::QtPlatformChoice(const char* qtPlatform, const char* display) {
    if ((qtPlatform != nullptr && *qtPlatform != '\0') || display == nullptr || *display == '\0') {
        return;
    }
    // A whole connection, authorisation included: a display that refuses us would make Qt
    // give up on xcb at once instead of trying what else there is.
    m_connection = xcb_connect(display, nullptr);
    if (xcb_connection_has_error(m_connection) == 0) {
        m_platform = "xcb";
    }
}

QtPlatformChoice::~QtPlatformChoice() {
    if (m_connection != nullptr) {
        xcb_disconnect(m_connection);
    }
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
