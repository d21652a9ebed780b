// velumbra-mount-sim: the simulated LX200 mount on a pseudo-terminal, for
// planetarium programs and scripts. Prints the device path as the first
// line on standard output, then serves until SIGINT or SIGTERM.
#include "simulator/Lx200Responder.h"
#include "simulator/MountModel.h"
#include "simulator/PtyPeer.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringList>
#include <cstdio>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

using namespace velumbra;

namespace {

constexpr char kUsage[] =
    "Usage: velumbra-mount-sim\n"
    "Simulated LX200 mount on a pseudo-terminal. Prints the device path on\n"
    "the first line of standard output and serves until interrupted\n"
    "(SIGINT or SIGTERM). Connect a planetarium program or a script to that\n"
    "path at any speed. The mount stands at 46 N 6 E, tracking, pointed at\n"
    "RA 05:00:00 Dec +30*00:00; its clock starts at the system's. A program\n"
    "may set the site (:St, :Sg) and the time (:SL, :SC, :SG).\n";

} // namespace

int main(int argc, char** argv)
{
    // The stop signals arrive as bytes on a descriptor the event loop
    // watches, not in a handler.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigprocmask(SIG_BLOCK, &stops, nullptr);

    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty()) {
        const bool help = args == QStringList{QStringLiteral("--help")} || args == QStringList{QStringLiteral("-h")};
        std::fputs(kUsage, help ? stdout : stderr);
        return help ? 0 : 2;
    }

    const int stopFd = signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK);
    if (stopFd < 0) {
        std::perror("velumbra-mount-sim: signalfd");
        return 1;
    }
    QSocketNotifier stopped(stopFd, QSocketNotifier::Read);
    QObject::connect(&stopped, &QSocketNotifier::activated, &app, [&] {
        signalfd_siginfo info;
        while (::read(stopFd, &info, sizeof info) == sizeof info) {
        }
        app.quit();
    });

    SystemClock clock;
    MountModel mount(clock);
    mount.pointAt({5.0, 30.0});
    Lx200Responder lx200(mount);
    PtyPeer port([&](QByteArrayView bytes) { return lx200.receive(bytes); });
    if (!port.ok()) {
        std::fprintf(stderr, "velumbra-mount-sim: no pseudo-terminal: %s\n", qPrintable(port.error()));
        return 1;
    }
    std::printf("%s\n", qPrintable(port.path()));
    std::fflush(stdout);
    const int rc = app.exec();
    ::close(stopFd);
    return rc;
}
