#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT as a Qt signal on the event loop. The handler only writes a byte to
// a pipe: nothing else is safe inside it. One instance at a time.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    // Restores the handlers there were.
    ~QuitSignals() override;
    bool isActive() const { return m_notifier != nullptr; }

signals:
    void received(int signal);

private:
    void drain();
    QSocketNotifier* m_notifier = nullptr;
};
