#pragma once
#include <QChar>
#include <QString>

namespace velumbra {

enum class TDataType { dtByte, dtDouble, dtExtended, dtInteger, dtLongint, dtReal, dtShortint, dtSingle, dtWord };
enum class TNumericType { ntGeneral, ntExponent, ntFixed };

// The number behind a numeric input field: value, range, type and display
// format. Widget-free so every rule can be checked without a window.
class NumericValue {
public:
    using Real = long double;

    static Real typeLowest(TDataType t);
    static Real typeHighest(TDataType t);
    static bool isIntegerType(TDataType t);

    Real value() const { return value_; }
    Real min() const { return min_; }
    Real max() const { return max_; }
    TDataType datatype() const { return datatype_; }
    TNumericType numericType() const { return numericType_; }
    int digits() const { return digits_; }
    int decimals() const { return decimals_; }
    bool validate() const { return validate_; }
    bool isInteger() const { return isIntegerType(datatype_); }

    enum class Change { None, Refreshed, Refused };

    // Each setter reports whether the text must be refreshed; a refused
    // value leaves everything unchanged and fills rangeMessage().
    Change setValue(Real v);
    Change setMin(Real v);
    Change setMax(Real v);
    Change setDatatype(TDataType t);
    Change setNumericType(TNumericType t);
    Change setDigits(int d);
    Change setDecimals(int d);
    Change setValidate(bool on);

    // Text of the value in the field's format; for integer kinds the value
    // itself becomes the rounded integer, as the field shows it. The text is
    // remembered so that committing it untouched keeps the exact value.
    QString refreshText(QChar decimalSeparator);

    bool acceptsChar(QChar c, QChar decimalSeparator) const;

    enum class Commit { Accepted, NotANumber, OutOfRange };
    // Commits typed text on exit; on refusal message() holds the error text.
    // The text last shown, unedited, commits as the value it shows, even
    // when its 12 significant digits do not hold all of it.
    Commit commit(const QString& text, QChar decimalSeparator);
    const QString& message() const { return message_; }
    QString rangeMessage() const;

    // Typed reads: integers rounded to nearest, out of the type's range reads 0.
    int asByte() const;
    double asDouble() const;
    int asInteger() const;
    long asLongint() const;
    double asReal48() const;
    int asShortint() const;
    float asSingle() const;
    int asWord() const;

    static bool parse(const QString& text, QChar decimalSeparator, Real& out);
    static QString formatG(Real v); // the %g of the messages

private:
    bool inRange(Real v) const { return !validate_ || (v >= min_ && v <= max_); }
    long long roundedInRange(Real lo, Real hi) const;

    Real value_ = 0;
    Real min_ = typeLowest(TDataType::dtExtended);
    Real max_ = typeHighest(TDataType::dtExtended);
    TDataType datatype_ = TDataType::dtExtended;
    TNumericType numericType_ = TNumericType::ntGeneral;
    int digits_ = 12;
    int decimals_ = 2;
    bool validate_ = true;
    QString message_;
    QString shownText_;
    Real shownValue_ = 0;
};

} // namespace velumbra
