#include "platform/qt/qt_ui_binding.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <utility>

namespace platform {

namespace {

QEvent::Type serveEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// A QTimer that may be dropped from inside its own timeout: it then goes by deleteLater,
// since Qt is still delivering the timer event to it.
class QtTimerBackend final : public UiTimerBackend {
public:
    explicit QtTimerBackend(std::function<void()> fire)
        : m_timer(new QTimer), m_firing(std::make_shared<bool>(false)) {
        m_timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_timer, &QTimer::timeout, m_timer,
                         [firing = m_firing, fire = std::move(fire)] {
                             *firing = true;
                             fire();
                             *firing = false;
                         });
    }

    ~QtTimerBackend() override {
        m_timer->stop();
        if (*m_firing) {
            m_timer->disconnect();
            m_timer->deleteLater();
        } else {
            delete m_timer;
        }
    }

    QtTimerBackend(const QtTimerBackend&) = delete;
    QtTimerBackend& operator=(const QtTimerBackend&) = delete;

    void start(std::uint32_t intervalMs) override {
        m_timer->start(std::chrono::milliseconds(intervalMs));
    }
    void stop() override { m_timer->stop(); }
    bool isActive() const override { return m_timer->isActive(); }

private:
    QTimer* m_timer;
    std::shared_ptr<bool> m_firing;  // user-interface thread only
};

}  // namespace

// Receives the wake events; a plain event handler needs no meta-object code.
class QtUiBinding::Receiver final : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == serveEventType()) {
            ui::serve();
            return true;
        }
        return QObject::event(e);
    }
};

QtUiBinding::QtUiBinding() : m_receiver(std::make_unique<Receiver>()) {
    serveEventType();
    ui::install(this);
}

QtUiBinding::~QtUiBinding() {
    ui::uninstall();
}

void QtUiBinding::wake() {
    // Qt takes ownership of the event; posting is safe from any thread.
    QCoreApplication::postEvent(m_receiver.get(), new QEvent(serveEventType()));
}

std::unique_ptr<UiTimerBackend> QtUiBinding::makeTimer(std::function<void()> fire) {
    return std::make_unique<QtTimerBackend>(std::move(fire));
}

}  // namespace platform
