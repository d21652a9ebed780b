#pragma once
#include "telescope/MountSettings.h"

#include "core/LanguageTable.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace velumbra {

class Mount;
class Pause;

// The buttons of the hand paddle that act while they are held.
enum class PaddleButton { N, NE, E, SE, S, SW, W, NW, FocusIn, FocusInFast, FocusOut, FocusOutFast };
inline constexpr int kPaddleButtons = 12;

// The GOTO group's catalogues.
enum class Catalogue { NGC, Messier, Etoile, Planete };

// The hand paddle over the mount layer: moves while a button is held, the
// slew rate, the position query and the slew to an object. A move never
// outlives its button: releaseAll() stops whatever is still held when the
// window loses the mouse or closes.
class HandPaddle {
public:
    HandPaddle(Mount& mount, Pause& pause) : mount_(mount), pause_(pause) {}
    ~HandPaddle();
    HandPaddle(const HandPaddle&) = delete;
    HandPaddle& operator=(const HandPaddle&) = delete;

    // Unchecks the main window's CKB_Autoguidage, which ends autoguiding.
    std::function<void()> endAutoguiding;

    void press(PaddleButton b);
    void release(PaddleButton b);
    void releaseAll();
    bool held(PaddleButton b) const { return held_[int(b)]; }
    // BTN_Stop.
    void BTN_StopClick();
    // "Guide" 0, "Cntr" 1, "Find" 2, "Slew" 3.
    void chooseRate(int index);

    // BTN_Position_Actuelle: the declination shown first, then after half a
    // second the right ascension; each reply whole (readableDec and
    // readableRa put it in words).
    void BTN_Position_ActuelleClick(const std::function<void(const QByteArray& dec)>& showDec,
                                    const std::function<void(const QByteArray& ra)>& showRa);

    // "C 7331", "M 31", "S 120", "S 905": n truncated and clamped to 1..9999,
    // the planet as its digit 0..9.
    static QByteArray objectText(Catalogue c, double number, int planet);
    // BTN_GOTO: returns the mount's reply to the slew, as it came.
    QByteArray BTN_GOTOClick(const QByteArray& objectText);
    // ":D#": true while the mount's reply shows the bar of a slew under way.
    bool slewing();

    // The INDI mount's GOTO to typed coordinates (right ascension in
    // hours, declination in degrees, as parseRightAscension and
    // parseDeclination read them), and its position.
    enum class CoordinateGoto { Started, BadRa, BadDec, NoMount, Refused };
    CoordinateGoto gotoCoordinates(const QString& ra, const QString& dec);
    struct Position {
        double raHours = 0;
        double decDegrees = 0;
        bool slewing = false;
    };
    // Empty when the interface is not INDI or its mount cannot be reached.
    std::optional<Position> indiPosition();

private:
    void unguide();

    Mount& mount_;
    Pause& pause_;
    std::array<bool, kPaddleButtons> held_{};
};

// The position replies in a readable form: "00:42:44#" gives 00h42m44s,
// the short "00:42.7#" 00h42.7m; "+41*16:08#" gives +41°16′08″, the short
// "+41*16#" +41°16′ (the mount may separate with *, :, ' or 0xDF). A reply
// that is no position is shown as it came, without its "#".
QString readableRa(const QByteArray& reply);
QString readableDec(const QByteArray& reply);

// What the mount answered to ":MS#": "0" the slew starts; "1" and a text,
// the object is below the horizon; "2" and a text, the mount refuses it for
// the reason given (an object beyond its limits, none chosen).
enum class GotoReply { Accepted, BelowHorizon, Refused, NoReply, Unexpected };
GotoReply gotoReplyKind(const QByteArray& reply);
// The reply in words, for the result field and the message panel.
QString gotoReplyText(const QByteArray& reply, const NamedTexts& texts = NamedTexts::builtIn());

} // namespace velumbra
