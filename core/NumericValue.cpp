#include "core/NumericValue.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace velumbra {

using Real = NumericValue::Real;

Real NumericValue::typeLowest(TDataType t)
{
    switch (t) {
    case TDataType::dtByte: return 0;
    case TDataType::dtDouble: return -1.7e308L;
    case TDataType::dtExtended: return std::numeric_limits<Real>::lowest();
    case TDataType::dtInteger: return -32768;
    case TDataType::dtLongint: return -2147483647;
    case TDataType::dtReal: return -1.7e38L;
    case TDataType::dtShortint: return -128;
    case TDataType::dtSingle: return -3.4e38L;
    case TDataType::dtWord: return 0;
    }
    return 0;
}

Real NumericValue::typeHighest(TDataType t)
{
    switch (t) {
    case TDataType::dtByte: return 255;
    case TDataType::dtDouble: return 1.7e308L;
    case TDataType::dtExtended: return std::numeric_limits<Real>::max();
    case TDataType::dtInteger: return 32767;
    case TDataType::dtLongint: return 2147483647;
    case TDataType::dtReal: return 1.7e38L;
    case TDataType::dtShortint: return 127;
    case TDataType::dtSingle: return 3.4e38L;
    case TDataType::dtWord: return 65535;
    }
    return 0;
}

bool NumericValue::isIntegerType(TDataType t)
{
    switch (t) {
    case TDataType::dtByte:
    case TDataType::dtInteger:
    case TDataType::dtLongint:
    case TDataType::dtShortint:
    case TDataType::dtWord: return true;
    default: return false;
    }
}

QString NumericValue::formatG(Real v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15Lg", v);
    return QString::fromLatin1(buf);
}

QString NumericValue::rangeMessage() const
{
    return QStringLiteral("La valeur doit être comprise entre %1 and %2").arg(formatG(min_), formatG(max_));
}

NumericValue::Change NumericValue::setValue(Real v)
{
    if (v == value_) return Change::None;
    if (!inRange(v)) {
        message_ = rangeMessage();
        return Change::Refused;
    }
    value_ = v;
    return Change::Refreshed;
}

NumericValue::Change NumericValue::setMin(Real v)
{
    if (v == min_) return Change::None;
    min_ = v;
    if (min_ < typeLowest(datatype_) || min_ > typeHighest(datatype_)) min_ = typeLowest(datatype_);
    if (min_ > max_) min_ = max_;
    if (value_ < min_) value_ = min_;
    return Change::Refreshed;
}

NumericValue::Change NumericValue::setMax(Real v)
{
    if (v == max_) return Change::None;
    max_ = v;
    if (max_ < typeLowest(datatype_) || max_ > typeHighest(datatype_)) max_ = typeHighest(datatype_);
    if (max_ < min_) max_ = min_;
    if (value_ > max_) value_ = max_;
    return Change::Refreshed;
}

NumericValue::Change NumericValue::setDatatype(TDataType t)
{
    datatype_ = t;
    if (isIntegerType(t)) numericType_ = TNumericType::ntGeneral;
    const Real lo = typeLowest(t), hi = typeHighest(t);
    if (min_ < lo || min_ > hi) min_ = lo;
    if (max_ < lo || max_ > hi) max_ = hi;
    if (min_ > max_) min_ = max_;
    if (value_ < lo || value_ > hi) value_ = 0;
    return Change::Refreshed;
}

NumericValue::Change NumericValue::setNumericType(TNumericType t)
{
    if (isInteger()) return Change::None;
    numericType_ = t;
    return Change::Refreshed;
}

NumericValue::Change NumericValue::setDigits(int d)
{
    if (d == digits_) return Change::None;
    digits_ = d;
    return Change::Refreshed;
}

NumericValue::Change NumericValue::setDecimals(int d)
{
    if (d == decimals_) return Change::None;
    decimals_ = d;
    return Change::Refreshed;
}

NumericValue::Change NumericValue::setValidate(bool on)
{
    validate_ = on;
    if (on && (value_ < min_ || value_ > max_)) value_ = min_;
    return Change::Refreshed;
}

QString NumericValue::refreshText(QChar sep)
{
    if (isInteger()) {
        value_ = std::nearbyint(value_);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.0Lf", value_);
        shownText_ = QString::fromLatin1(buf);
        shownValue_ = value_;
        return shownText_;
    }
    char buf[128];
    const int digits = std::clamp(digits_, 1, 18);
    switch (numericType_) {
    case TNumericType::ntGeneral:
        std::snprintf(buf, sizeof buf, "%.*Lg", digits, value_);
        break;
    case TNumericType::ntFixed:
        std::snprintf(buf, sizeof buf, "%.*Lf", std::clamp(decimals_, 0, 18), value_);
        break;
    case TNumericType::ntExponent: {
        // d.ddd E sign exponent, the exponent padded to at least `decimals` digits
        char mant[96];
        std::snprintf(mant, sizeof mant, "%.*LE", digits - 1, value_);
        char* e = std::strchr(mant, 'E');
        int exponent = e ? std::atoi(e + 1) : 0;
        if (e) *e = '\0';
        std::snprintf(buf, sizeof buf, "%sE%c%0*d", mant, exponent < 0 ? '-' : '+',
                      std::clamp(decimals_, 0, 4), std::abs(exponent));
        break;
    }
    }
    QString text = QString::fromLatin1(buf);
    if (sep != QLatin1Char('.')) text.replace(QLatin1Char('.'), sep);
    shownText_ = text;
    shownValue_ = value_;
    return text;
}

bool NumericValue::acceptsChar(QChar c, QChar sep) const
{
    if (c == QChar(8) || c == QLatin1Char('+') || c == QLatin1Char('-')) return true;
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return true;
    if (!isInteger() && (c == QLatin1Char('E') || c == QLatin1Char('e') || c == sep)) return true;
    return false;
}

bool NumericValue::parse(const QString& text, QChar sep, Real& out)
{
    QString t = text.trimmed();
    if (t.isEmpty()) return false;
    if (sep != QLatin1Char('.')) {
        if (t.contains(QLatin1Char('.'))) return false;
        t.replace(sep, QLatin1Char('.'));
    }
    for (QChar c : t) {
        const bool ok = c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.') ||
                        c == QLatin1Char('e') || c == QLatin1Char('E');
        if (!ok || c.unicode() > 127) return false;
    }
    const QByteArray bytes = t.toLatin1();
    char* end = nullptr;
    errno = 0;
    const Real v = std::strtold(bytes.constData(), &end);
    if (end == bytes.constData() || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

NumericValue::Commit NumericValue::commit(const QString& text, QChar sep)
{
    Real v = 0;
    if (!shownText_.isEmpty() && text == shownText_) v = shownValue_;
    else if (!parse(text, sep, v)) {
        message_ = QStringLiteral("'") + text + QStringLiteral("' n'est pas une valeur numérique valable.");
        return Commit::NotANumber;
    }
    if (validate_ && (v < min_ || v > max_)) {
        message_ = rangeMessage();
        return Commit::OutOfRange;
    }
    value_ = v;
    return Commit::Accepted;
}

long long NumericValue::roundedInRange(Real lo, Real hi) const
{
    const Real r = std::nearbyint(value_);
    if (r < lo || r > hi) return 0;
    return static_cast<long long>(r);
}

int NumericValue::asByte() const { return int(roundedInRange(0, 255)); }
double NumericValue::asDouble() const { return (value_ < -1.7e308L || value_ > 1.7e308L) ? 0.0 : double(value_); }
int NumericValue::asInteger() const { return int(roundedInRange(-32768, 32767)); }
long NumericValue::asLongint() const { return long(roundedInRange(-2147483647, 2147483647)); }
double NumericValue::asReal48() const { return (value_ < -1.7e38L || value_ > 1.7e38L) ? 0.0 : double(value_); }
int NumericValue::asShortint() const { return int(roundedInRange(-128, 127)); }
float NumericValue::asSingle() const { return (value_ < -3.4e38L || value_ > 3.4e38L) ? 0.0f : float(value_); }
int NumericValue::asWord() const { return int(roundedInRange(0, 65535)); }

} // namespace velumbra
