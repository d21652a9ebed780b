#include "core/NumericValue.h"

#include <gtest/gtest.h>

using namespace velumbra;

namespace {
const QChar kDot = QLatin1Char('.');
const QChar kComma = QLatin1Char(',');

NumericValue longint(NumericValue::Real lo, NumericValue::Real hi)
{
    NumericValue v;
    v.setDatatype(TDataType::dtLongint);
    v.setMin(lo);
    v.setMax(hi);
    return v;
}
} // namespace

TEST(NumericValue, IntegerFieldRoundsValueAndText)
{
    NumericValue v = longint(1, 65535);
    EXPECT_EQ(v.setValue(7.4L), NumericValue::Change::Refreshed);
    EXPECT_EQ(v.refreshText(kDot), QStringLiteral("7"));
    EXPECT_EQ(v.value(), 7.0L);
    v.setValue(8.5L);
    EXPECT_EQ(v.refreshText(kDot), QStringLiteral("8")); // ties to even
}

TEST(NumericValue, OutOfRangeValueIsRefusedAndKept)
{
    NumericValue v = longint(1, 5);
    v.setValue(3);
    EXPECT_EQ(v.setValue(9), NumericValue::Change::Refused);
    EXPECT_EQ(v.value(), 3.0L);
    EXPECT_EQ(v.message(), QStringLiteral("La valeur doit être comprise entre 1 and 5"));
}

TEST(NumericValue, SameValueDoesNotRefresh)
{
    NumericValue v = longint(1, 5);
    v.setValue(3);
    EXPECT_EQ(v.setValue(3), NumericValue::Change::None);
}

TEST(NumericValue, CommitRefusesNotANumberAndOutOfRange)
{
    NumericValue v;
    v.setMin(1);
    v.setMax(5);
    v.setValue(2);
    EXPECT_EQ(v.commit(QStringLiteral("1e"), kDot), NumericValue::Commit::NotANumber);
    EXPECT_EQ(v.message(), QStringLiteral("'1e' n'est pas une valeur numérique valable."));
    EXPECT_EQ(v.commit(QString(), kDot), NumericValue::Commit::NotANumber);
    EXPECT_EQ(v.commit(QStringLiteral("9"), kDot), NumericValue::Commit::OutOfRange);
    EXPECT_EQ(v.message(), QStringLiteral("La valeur doit être comprise entre 1 and 5"));
    EXPECT_EQ(v.value(), 2.0L);
    EXPECT_EQ(v.commit(QStringLiteral("4.5"), kDot), NumericValue::Commit::Accepted);
    EXPECT_EQ(v.value(), 4.5L);
    EXPECT_EQ(v.commit(QStringLiteral("1e0"), kDot), NumericValue::Commit::Accepted);
    EXPECT_EQ(v.commit(QStringLiteral("inf"), kDot), NumericValue::Commit::NotANumber);
    EXPECT_EQ(v.commit(QStringLiteral("0x3"), kDot), NumericValue::Commit::NotANumber);
}

TEST(NumericValue, SystemDecimalSeparator)
{
    NumericValue v;
    EXPECT_EQ(v.commit(QStringLiteral("2,25"), kComma), NumericValue::Commit::Accepted);
    EXPECT_EQ(v.value(), 2.25L);
    EXPECT_EQ(v.refreshText(kComma), QStringLiteral("2,25"));
    EXPECT_EQ(v.commit(QStringLiteral("2.25"), kComma), NumericValue::Commit::NotANumber);
}

TEST(NumericValue, ValidateOffAcceptsAnyNumber)
{
    NumericValue v;
    v.setMin(1);
    v.setMax(5);
    v.setValidate(false);
    EXPECT_EQ(v.commit(QStringLiteral("99"), kDot), NumericValue::Commit::Accepted);
    // Turning it back on brings the value to Min.
    v.setValidate(true);
    EXPECT_EQ(v.value(), 1.0L);
}

TEST(NumericValue, KeyFilter)
{
    NumericValue real;
    NumericValue integer = longint(0, 10);
    for (QChar c : QStringLiteral("0123456789+-"))
        EXPECT_TRUE(integer.acceptsChar(c, kDot)) << c.toLatin1();
    EXPECT_TRUE(integer.acceptsChar(QChar(8), kDot));
    EXPECT_FALSE(integer.acceptsChar(QLatin1Char('E'), kDot));
    EXPECT_FALSE(integer.acceptsChar(kDot, kDot));
    EXPECT_TRUE(real.acceptsChar(QLatin1Char('E'), kDot));
    EXPECT_TRUE(real.acceptsChar(QLatin1Char('e'), kDot));
    EXPECT_TRUE(real.acceptsChar(kComma, kComma));
    EXPECT_FALSE(real.acceptsChar(kDot, kComma));
    EXPECT_FALSE(real.acceptsChar(QLatin1Char('a'), kDot));
    EXPECT_FALSE(real.acceptsChar(QChar(13), kDot)); // Enter
    EXPECT_FALSE(real.acceptsChar(QChar(22), kDot)); // Ctrl+V
}

TEST(NumericValue, RangeSettersKeepValueInside)
{
    NumericValue v = longint(0, 100);
    v.setValue(50);
    v.setMax(40);
    EXPECT_EQ(v.value(), 40.0L);
    v.setMin(45); // above Max: lowered to Max
    EXPECT_EQ(v.min(), 40.0L);
    v.setMax(1e12L); // outside the type: the type's highest
    EXPECT_EQ(v.max(), 2147483647.0L);
    v.setMin(-1e12L);
    EXPECT_EQ(v.min(), -2147483647.0L);
}

TEST(NumericValue, DatatypeBringsRangeAndValueInside)
{
    NumericValue v;
    v.setValue(300);
    v.setNumericType(TNumericType::ntFixed);
    v.setDatatype(TDataType::dtByte);
    EXPECT_EQ(v.min(), 0.0L);
    EXPECT_EQ(v.max(), 255.0L);
    EXPECT_EQ(v.value(), 0.0L);
    EXPECT_EQ(v.numericType(), TNumericType::ntGeneral);
    EXPECT_EQ(v.setNumericType(TNumericType::ntFixed), NumericValue::Change::None);
}

TEST(NumericValue, RealFormats)
{
    NumericValue v;
    v.setValue(1234.5678L);
    v.setDigits(6);
    EXPECT_EQ(v.refreshText(kDot), QStringLiteral("1234.57"));
    v.setNumericType(TNumericType::ntFixed);
    v.setDecimals(1);
    EXPECT_EQ(v.refreshText(kDot), QStringLiteral("1234.6"));
    v.setNumericType(TNumericType::ntExponent);
    v.setDigits(3);
    v.setDecimals(2);
    EXPECT_EQ(v.refreshText(kDot), QStringLiteral("1.23E+03"));
    v.setValue(-0.00015L);
    EXPECT_EQ(v.refreshText(kDot), QStringLiteral("-1.50E-04"));
}

TEST(NumericValue, TypedReads)
{
    NumericValue v;
    v.setValue(300.6L);
    EXPECT_EQ(v.asByte(), 0);     // out of the byte range
    EXPECT_EQ(v.asInteger(), 301); // rounded to nearest
    EXPECT_EQ(v.asWord(), 301);
    EXPECT_EQ(v.asShortint(), 0);
    v.setValue(-2.5L);
    EXPECT_EQ(v.asInteger(), -2);
    EXPECT_EQ(v.asWord(), 0);
    EXPECT_DOUBLE_EQ(v.asDouble(), -2.5);
}

// Text shown by the field and left untouched commits as the exact value;
// edited text is read as typed.
TEST(NumericValue, UntouchedShownTextKeepsTheExactValue)
{
    struct Case { NumericValue::Real value; const char* edited; NumericValue::Real editedValue; };
    const Case cases[] = {
        {2.0L / 3.0L, "0.5", 0.5L},
        {1.23456789012345e-05L, "1e-5", 1e-5L},
        {123456789.123456789L, "-7", -7.0L},
    };
    for (const Case& c : cases) {
        NumericValue v;
        v.setValue(c.value);
        const QString shown = v.refreshText(kDot);
        EXPECT_EQ(v.commit(shown, kDot), NumericValue::Commit::Accepted);
        EXPECT_EQ(v.value(), c.value) << shown.toStdString();
        EXPECT_EQ(v.commit(QString::fromLatin1(c.edited), kDot), NumericValue::Commit::Accepted);
        EXPECT_EQ(v.value(), c.editedValue);
    }
}

TEST(NumericValue, UntouchedShownTextStillMeetsANarrowedRange)
{
    NumericValue v;
    v.setValue(8);
    const QString shown = v.refreshText(kDot);
    v.setMax(5); // the value follows down to 5; the text still says 8
    EXPECT_EQ(v.commit(shown, kDot), NumericValue::Commit::OutOfRange);
}
