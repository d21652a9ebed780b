#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace velumbra {

// A simulated device at the end of a serial cable: the master side of a
// pseudo-terminal, served on the thread's event loop as bytes arrive. A
// program opens the slave by its path as it opens a serial port; whatever
// it writes goes to serve(), and serve()'s reply is written back for it to
// read. The peer keeps a slave of its own open, in raw mode, so the
// program may close and reopen its side (no hang-up, no echo, no line
// editing between the two).
class PtyPeer {
public:
    using Serve = std::function<QByteArray(QByteArrayView)>;
    explicit PtyPeer(Serve serve);
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    // False when the system gave no pseudo-terminal; error() says why.
    bool ok() const { return master_ >= 0; }
    QString error() const { return error_; }
    // The slave device the program opens ("/dev/pts/7").
    QString path() const { return path_; }

    // Serves what has arrived now (the notifier calls it; tests may too).
    void serveWaiting();

private:
    Serve serve_;
    int master_ = -1;
    int slave_ = -1;
    QString path_;
    QString error_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace velumbra
