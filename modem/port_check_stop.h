#pragma once

// The stop of one port's check in a search: the operator's cancel of the whole search, or a
// stop of this check alone (a port earlier in the list found the modem). Either ends the
// exchange under way on the check's port at once.

#include <atomic>
#include <mutex>

#include "modem/modem_port.h"

class PortCheckStop {
public:
    // searchCancel: the finder's cancel request, read only.
    explicit PortCheckStop(const std::atomic<bool>& searchCancel) : m_searchCancel(searchCancel) {}
    PortCheckStop(const PortCheckStop&) = delete;
    PortCheckStop& operator=(const PortCheckStop&) = delete;

    bool requested() const { return m_requested || m_searchCancel; }
    // Any thread.
    void request() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requested = true;
        if (m_active != nullptr) {
            m_active->stop();
        }
    }

    // Makes a port the one a stop reaches, for the scope's life.
    class ActivePort {
    public:
        ActivePort(PortCheckStop& stop, ModemPort& modem) : m_stop(stop) {
            std::lock_guard<std::mutex> lock(m_stop.m_mutex);
            m_stop.m_active = &modem;
        }
        ~ActivePort() {
            std::lock_guard<std::mutex> lock(m_stop.m_mutex);
            m_stop.m_active = nullptr;
        }
        ActivePort(const ActivePort&) = delete;
        ActivePort& operator=(const ActivePort&) = delete;

    private:
        PortCheckStop& m_stop;
    };

private:
    const std::atomic<bool>& m_searchCancel;
    std::atomic<bool> m_requested{false};
    std::mutex m_mutex;             // guards m_active
    ModemPort* m_active = nullptr;  // the port of the check, while it exchanges
};
