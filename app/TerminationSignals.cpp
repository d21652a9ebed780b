#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace velumbra {

namespace {

constexpr int kWatched[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler can reach nothing but a global: the pipe's writing end.
volatile std::sig_atomic_t signalPipe = -1;

void onSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (signalPipe >= 0) (void)!::write(signalPipe, &number, 1);
    errno = saved;
}

void setAction(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals()
{
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return; // the signals keep their default action
    signalPipe = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    for (int signal : kWatched) setAction(signal, onSignal);
}

TerminationSignals::~TerminationSignals()
{
    for (int signal : kWatched) setAction(signal, SIG_DFL);
    signalPipe = -1;
    notifier_.reset();
    for (int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void TerminationSignals::readPipe()
{
    unsigned char number = 0;
    while (::read(pipe_[0], &number, 1) == 1)
        if (received_ == 0) received_ = number;
    if (received_ == 0) return;
    notifier_->setEnabled(false);
    for (int signal : kWatched) setAction(signal, SIG_DFL);
    emit arrived(received_);
}

} // namespace velumbra
