// The simulated mount's LX200 controller on arbitrary bytes, as a
// planetarium program or line noise may send them: it must never crash, its
// replies must not depend on how the bytes were split, and afterwards it
// still answers the position query in one of its two formats.
#include "simulator/Lx200Responder.h"

#include <QRegularExpression>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace velumbra;

void require(bool condition)
{
    if (!condition) std::abort();
}

struct Controller {
    ManualClock clock;
    MountModel mount{clock};
    Lx200Responder lx200{mount};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    // The first byte chooses where the stream is cut in two and how long
    // the mount runs before the position query.
    const auto bytes = QByteArrayView(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const qsizetype cut = bytes.isEmpty() ? 0 : data[0] % (bytes.size() + 1);

    Controller whole, split;
    const QByteArray once = whole.lx200.receive(bytes);
    // Two statements: the operands of + may be evaluated in either order.
    QByteArray twice = split.lx200.receive(bytes.first(cut));
    twice += split.lx200.receive(bytes.sliced(cut));
    require(once == twice);
    // Every reply is short: no command body is longer than kMaxCommand.
    require(once.size() <= bytes.size() * 32 + 1);

    whole.clock.advanceMs(qint64(data[0]) * 997);
    // A '#' closes whatever command was left open (its reply is not looked
    // at); then the controller answers as ever.
    whole.lx200.receive("#");
    const QByteArray reply = whole.lx200.receive("\r\n:Q#:GR#:GD#");
    static const QRegularExpression kPosition(QStringLiteral(
        "^(\\d\\d:[0-5]\\d:[0-5]\\d#|\\d\\d:[0-5]\\d\\.\\d#)([+-]\\d\\d\\*[0-5]\\d:[0-5]\\d#|[+-]\\d\\d\\*[0-5]\\d#)$"));
    require(kPosition.match(QString::fromLatin1(reply)).hasMatch());
    return 0;
}
