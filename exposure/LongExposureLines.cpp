#include "exposure/LongExposureLines.h"

#include <algorithm>
#include <cmath>

namespace velumbra {

namespace {

int pinBit(double pin)
{
    if (!std::isfinite(pin)) return 0;
    const int p = int(std::trunc(pin));
    return std::clamp(p, 2, 9) - 2;
}

int activeBit(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 1e6) return 0;
    return int(std::trunc(value)) & 1;
}

} // namespace

void ExposureLines::configure(const LongExposureLineSettings& s)
{
    bits_ = {pinBit(s.TNI_Bit_Active_Odd), pinBit(s.TNI_Bit_Active_Even), pinBit(s.TNI_Bit_Amp_Active),
             pinBit(s.TNI_Bit_Longexp_Active)};
    values_ = {activeBit(s.TNI_Vesta_ActiveValue_Odd), activeBit(s.TNI_Vesta_ActiveValue_Even),
               activeBit(s.TNI_Amp_ActiveValue), activeBit(s.TNI_Longexp_ActiveValue)};
    address_ = portAddressOfEntry(s.CBX_Vesta_Port);
}

quint8 ExposureLines::raise(quint8 byte, ExposureLine line) const
{
    const auto i = std::size_t(line);
    return quint8(byte | (values_[i] << bits_[i]));
}

quint8 ExposureLines::lower(quint8 byte, ExposureLine line) const
{
    const auto i = std::size_t(line);
    return quint8(byte & ~((values_[i] & 1) << bits_[i]));
}

bool ExposureLines::raised(quint8 byte, ExposureLine line) const
{
    const auto i = std::size_t(line);
    // A line with active value 0 is never driven: it counts as raised.
    return values_[i] == 0 || ((byte >> bits_[i]) & 1) == 1;
}

quint8 ExposureLines::testStart(quint8 byte) const
{
    for (std::size_t i = 0; i < 4; ++i) {
        const quint8 mask = quint8(1 << bits_[i]);
        byte = quint8((byte & ~mask) | ((values_[i] ? 0 : 1) << bits_[i]));
    }
    return byte;
}

quint8 ExposureLines::testStop(quint8 byte) const
{
    for (std::size_t i = 0; i < 4; ++i) {
        const quint8 mask = quint8(1 << bits_[i]);
        byte = quint8((byte & ~mask) | (values_[i] << bits_[i]));
    }
    return byte;
}

const QStringList& parallelPortList()
{
    static const QStringList list{
        QStringLiteral("$378 (LPT1)"), QStringLiteral("$278 (LPT2)"), QStringLiteral("$3BC (LPT3)"),
        QStringLiteral("$2BC (LPT4)"), QStringLiteral("$368"), QStringLiteral("$36C"), QStringLiteral("$358"),
        QStringLiteral("$278"), QStringLiteral("$26C"), QStringLiteral("$268"), QStringLiteral("$258"),
        QStringLiteral("$379"), QStringLiteral("$37A"), QStringLiteral("$279"), QStringLiteral("$27A")};
    return list;
}

quint16 portAddressOfEntry(int index)
{
    const QStringList& list = parallelPortList();
    if (index < 0 || index >= list.size()) index = 0;
    bool ok = false;
    const quint16 address = quint16(list[index].mid(1, 3).toUInt(&ok, 16));
    return ok ? address : quint16(0x378);
}

std::optional<quint8> parseBinaryDigits(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 8) return std::nullopt;
    int value = 0;
    for (QChar c : t) {
        if (c != QLatin1Char('0') && c != QLatin1Char('1')) return std::nullopt;
        value = value * 2 + (c == QLatin1Char('1') ? 1 : 0);
    }
    return quint8(value);
}

std::optional<quint8> stepTestValue(quint8 value, int step)
{
    const int next = int(value) + step;
    if (next < 0 || next > 255) return std::nullopt;
    return quint8(next);
}

} // namespace velumbra
