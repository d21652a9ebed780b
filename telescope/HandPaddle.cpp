#include "telescope/HandPaddle.h"
#include "core/Angles.h"
#include "core/Pause.h"
#include "telescope/IndiMount.h"
#include "telescope/Mount.h"

#include <QList>
#include <algorithm>
#include <cmath>
#include <vector>

namespace velumbra {

namespace {

// The directions a direction button moves, in the order they are sent.
std::vector<MoveDirection> directionsOf(PaddleButton b)
{
    switch (b) {
    case PaddleButton::N: return {North};
    case PaddleButton::NE: return {North, East};
    case PaddleButton::E: return {East};
    case PaddleButton::SE: return {South, East};
    case PaddleButton::S: return {South};
    case PaddleButton::SW: return {South, West};
    case PaddleButton::W: return {West};
    case PaddleButton::NW: return {North, West};
    default: return {};
    }
}

bool isFocuser(PaddleButton b) { return b >= PaddleButton::FocusIn; }
// "IN" is the focuser's direction 0, "OUT" its direction 1.
int focuserDirection(PaddleButton b) { return b == PaddleButton::FocusOut || b == PaddleButton::FocusOutFast ? 1 : 0; }
bool focuserFast(PaddleButton b) { return b == PaddleButton::FocusInFast || b == PaddleButton::FocusOutFast; }

constexpr int kQueryPauseMs = 500; // between the two halves of the position query
constexpr int kGotoPauseMs = 100;  // after the stop, before the object

} // namespace

HandPaddle::~HandPaddle() { releaseAll(); }

void HandPaddle::unguide()
{
    if (endAutoguiding) endAutoguiding();
}

void HandPaddle::press(PaddleButton b)
{
    if (held_[int(b)]) return;
    held_[int(b)] = true;
    if (isFocuser(b)) {
        mount_.focuser_move(focuserDirection(b), focuserFast(b));
        return;
    }
    unguide();
    for (MoveDirection d : directionsOf(b)) mount_.mount_move(d, false, CONTINUOUS_MOVE);
}

void HandPaddle::release(PaddleButton b)
{
    if (!held_[int(b)]) return;
    held_[int(b)] = false;
    if (isFocuser(b)) {
        mount_.focuser_stop(focuserDirection(b));
        return;
    }
    for (MoveDirection d : directionsOf(b)) mount_.mount_stop(d);
}

void HandPaddle::releaseAll()
{
    for (int i = 0; i < kPaddleButtons; ++i) release(PaddleButton(i));
}

void HandPaddle::BTN_StopClick()
{
    // The mount's moves end here; a focuser button still held keeps its own stop.
    for (int i = 0; i < kPaddleButtons; ++i)
        if (!isFocuser(PaddleButton(i))) held_[size_t(i)] = false;
    mount_.mount_stop_all();
}

void HandPaddle::chooseRate(int index)
{
    // The faster rates would fight the guide corrections.
    if (index >= 2) unguide();
    mount_.set_rate(index);
}

void HandPaddle::BTN_Position_ActuelleClick(const std::function<void(const QByteArray&)>& showDec,
                                            const std::function<void(const QByteArray&)>& showRa)
{
    mount_.send_lx200("#:GD#");
    showDec(mount_.readReply());
    pause_.wait(kQueryPauseMs);
    mount_.send_lx200("#:GR#");
    showRa(mount_.readReply());
}

bool HandPaddle::slewing()
{
    mount_.send_lx200("#:D#");
    const QByteArray reply = mount_.readReply();
    return reply.contains('\x7f') || reply.contains('\xff');
}

QByteArray HandPaddle::objectText(Catalogue c, double number, int planet)
{
    const double whole = std::isfinite(number) ? std::trunc(number) : 1;
    const int n = int(std::clamp(whole, 1.0, 9999.0));
    switch (c) {
    case Catalogue::NGC: return "C " + QByteArray::number(n);
    case Catalogue::Messier: return "M " + QByteArray::number(n);
    case Catalogue::Etoile: return "S " + QByteArray::number(n);
    case Catalogue::Planete: return "S 90" + QByteArray::number(std::clamp(planet, 0, 9));
    }
    return {};
}

QByteArray HandPaddle::BTN_GOTOClick(const QByteArray& objectText)
{
    unguide();
    mount_.send_lx200("#:Q#");
    pause_.wait(kGotoPauseMs);
    mount_.send_lx200("#:L" + objectText + "#");
    mount_.send_lx200("#:MS#");
    return mount_.readReply();
}

HandPaddle::CoordinateGoto HandPaddle::gotoCoordinates(const QString& ra, const QString& dec)
{
    const std::optional<double> hours = parseRightAscension(ra);
    if (!hours) return CoordinateGoto::BadRa;
    const std::optional<double> degrees = parseDeclination(dec);
    if (!degrees) return CoordinateGoto::BadDec;
    IndiMount* mount = mount_.indiMount();
    if (!mount) return CoordinateGoto::NoMount;
    unguide();
    mount_.mount_stop_all();
    return mount->goTo(*hours, *degrees) ? CoordinateGoto::Started : CoordinateGoto::Refused;
}

std::optional<HandPaddle::Position> HandPaddle::indiPosition()
{
    IndiMount* mount = mount_.indiMount();
    const std::optional<IndiMount::Position> p = mount ? mount->position() : std::nullopt;
    if (!p) return std::nullopt;
    return Position{p->raHours, p->decDegrees, p->slewing};
}

namespace {

// The numbers of a position reply, whatever separates them; a part with a
// decimal point ends the list.
QList<QByteArray> positionParts(const QByteArray& body)
{
    QList<QByteArray> parts;
    QByteArray part;
    for (char c : body) {
        if ((c >= '0' && c <= '9') || c == '.') {
            part += c;
        } else if (c == ':' || c == '*' || c == '\'' || c == char(0xDF)) {
            if (part.isEmpty()) return {};
            parts << part;
            part.clear();
        } else {
            return {};
        }
    }
    if (part.isEmpty()) return {};
    parts << part;
    return parts;
}

QByteArray bodyOf(const QByteArray& reply)
{
    QByteArray body = reply.trimmed();
    while (body.endsWith('#')) body.chop(1);
    return body;
}

QString asItCame(const QByteArray& reply) { return QString::fromLatin1(bodyOf(reply)); }

} // namespace

QString readableRa(const QByteArray& reply)
{
    const QByteArray body = bodyOf(reply);
    const QList<QByteArray> p = positionParts(body);
    if (p.size() == 3 && !p[0].contains('.') && !p[1].contains('.'))
        return QStringLiteral("%1h%2m%3s").arg(QString::fromLatin1(p[0]), QString::fromLatin1(p[1]),
                                              QString::fromLatin1(p[2]));
    if (p.size() == 2 && !p[0].contains('.'))
        return QStringLiteral("%1h%2m").arg(QString::fromLatin1(p[0]), QString::fromLatin1(p[1]));
    return asItCame(reply);
}

QString readableDec(const QByteArray& reply)
{
    const QByteArray body = bodyOf(reply);
    if (body.isEmpty() || (body[0] != '+' && body[0] != '-')) return asItCame(reply);
    const QList<QByteArray> p = positionParts(body.mid(1));
    const QString sign = QString(QLatin1Char(body[0]));
    for (const QByteArray& part : p)
        if (part.contains('.')) return asItCame(reply);
    if (p.size() == 3)
        return QStringLiteral("%1%2°%3′%4″").arg(sign, QString::fromLatin1(p[0]), QString::fromLatin1(p[1]),
                                               QString::fromLatin1(p[2]));
    if (p.size() == 2) return QStringLiteral("%1%2°%3′").arg(sign, QString::fromLatin1(p[0]), QString::fromLatin1(p[1]));
    return asItCame(reply);
}

GotoReply gotoReplyKind(const QByteArray& reply)
{
    const QByteArray r = reply.trimmed();
    if (r.isEmpty()) return GotoReply::NoReply;
    if (r == "0" || r == "0#") return GotoReply::Accepted;
    if (r.startsWith('1')) return GotoReply::BelowHorizon;
    if (r.startsWith('2')) return GotoReply::Refused;
    return GotoReply::Unexpected;
}

QString gotoReplyText(const QByteArray& reply, const NamedTexts& texts)
{
    // The mount's own words after the code, when it gives some.
    const QString reason = asItCame(reply.trimmed().mid(1)).trimmed();
    switch (gotoReplyKind(reply)) {
    case GotoReply::Accepted: return texts.text(u"MSG_Goto_Accepte");
    case GotoReply::BelowHorizon: return texts.text(u"MSG_Goto_Horizon");
    case GotoReply::Refused:
        return texts.text(u"MSG_Goto_Refuse").arg(reason.isEmpty() ? texts.text(u"MSG_Goto_Limites") : reason);
    case GotoReply::NoReply: return texts.text(u"MSG_Goto_Sans_Reponse");
    case GotoReply::Unexpected: break;
    }
    return texts.text(u"MSG_Goto_Inattendu").arg(asItCame(reply));
}

} // namespace velumbra
