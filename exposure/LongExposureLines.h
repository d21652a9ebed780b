#pragma once
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <optional>

namespace velumbra {

// The four control lines of a webcam modified for long exposures, wired to
// the data register of a parallel port.
enum class ExposureLine { Odd, Even, Amplifier, Mode };

// Which line set takes the guide exposures while self-guiding.
enum class GuideLineChoice { Alterner = 0, Impaires = 1, Paires = 2 };

// The line configuration of the preferences' long-exposure tab, handed down
// by the settings when they are loaded and when the dialog is confirmed.
// Pins are the data pins 2..9 of the connector (bit = pin - 2); active
// values 0 or 1 (any other number keeps its lowest bit, as the port does).
struct LongExposureLineSettings {
    int CBX_Vesta_Port = 0;
    int SPED_Vesta_Interpose = 100;
    double TNI_Bit_Active_Odd = 2, TNI_Vesta_ActiveValue_Odd = 1;
    double TNI_Bit_Active_Even = 3, TNI_Vesta_ActiveValue_Even = 1;
    double TNI_Bit_Amp_Active = 4, TNI_Amp_ActiveValue = 1;
    double TNI_Bit_Longexp_Active = 5, TNI_Longexp_ActiveValue = 1;
    int SPED_Avance = 400;
    int CBX_Ligne_guidage = 0;
    bool CKB_LongueposePermanent = false;
};

// The bit arithmetic of the lines, in one place. Raising a line puts its
// active value on its bit; lowering clears the bit when the active value is
// 1. A line whose active value is 0 is never touched by either: such a
// camera is wired to work on the other level, and the cycle leaves it alone.
class ExposureLines {
public:
    ExposureLines() { configure(LongExposureLineSettings{}); }
    void configure(const LongExposureLineSettings& s);

    quint8 raise(quint8 byte, ExposureLine line) const;
    quint8 lower(quint8 byte, ExposureLine line) const;
    bool raised(quint8 byte, ExposureLine line) const;
    int bit(ExposureLine line) const { return bits_[std::size_t(line)]; }
    int activeValue(ExposureLine line) const { return values_[std::size_t(line)]; }
    quint16 portAddress() const { return address_; }

    // "Start" of the test group: every line at the complement of its active
    // value; "Stop": every line at its active value. Other bits stay.
    quint8 testStart(quint8 byte) const;
    quint8 testStop(quint8 byte) const;

private:
    std::array<int, 4> bits_{0, 1, 2, 3};
    std::array<int, 4> values_{1, 1, 1, 1};
    quint16 address_ = 0x378;
};

// The port list of the preferences and the address each entry names (its
// first four characters read as hexadecimal after "$").
const QStringList& parallelPortList();
quint16 portAddressOfEntry(int index);

// The test field shows the byte as binaryDigits (telescope/MountProtocols.h)
// writes it: 8 binary digits, most significant first.
// Reads the digits typed in the test field: each character is a digit, the
// last one the least significant; more than 8 characters, or a character
// other than 0 and 1, gives nothing.
std::optional<quint8> parseBinaryDigits(const QString& text);
// "+" and "-": one step within 0..255; nothing at the bounds.
std::optional<quint8> stepTestValue(quint8 value, int step);

} // namespace velumbra
