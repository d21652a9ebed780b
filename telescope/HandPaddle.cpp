#include "telescope/HandPaddle.h"
#include "core/Angles.h"
#include "core/Pause.h"
#include "telescope/IndiMount.h"
#include "telescope/Mount.h"

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
constexpr int kDecChars = 6, kRaChars = 7;

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
    showDec(mount_.readReply().left(kDecChars));
    pause_.wait(kQueryPauseMs);
    mount_.send_lx200("#:GR#");
    showRa(mount_.readReply().left(kRaChars));
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

} // namespace velumbra
