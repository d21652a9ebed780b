#pragma once
#include <QObject>
#include <memory>

class QSocketNotifier;

namespace velumbra {

// SIGTERM, SIGINT and SIGHUP brought into the event loop, so that a program
// told to end stops its mount and puts its camera lines to rest before it
// goes. The handler only writes the signal's number to a pipe; the loop
// reads it and emits arrived() once. From then on the three signals have
// their default action again: a second one ends the program at once, as if
// it had never been watched. One instance per program.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    TerminationSignals();
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // The signal that asked the program to end, 0 if none came.
    int received() const { return received_; }

signals:
    void arrived(int signal);

private:
    void readPipe();

    int pipe_[2] = {-1, -1};
    int received_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace velumbra
