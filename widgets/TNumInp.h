#pragma once
#include "core/NumericValue.h"

#include <QLineEdit>
#include <functional>

namespace velumbra {

// Numeric input field: holds a number, filters keys, checks its range and
// commits the typed text when it loses the focus.
class TCustomNumInp : public QLineEdit {
    Q_OBJECT
public:
    using Real = NumericValue::Real;
    // Characters the user may type; text set by the program is not cut.
    static constexpr int typedLength = 12;
    explicit TCustomNumInp(QWidget* parent = nullptr);

    Real Value() const { return model_.value(); }
    void setValue(Real v);
    Real Min() const { return model_.min(); }
    void setMin(Real v);
    Real Max() const { return model_.max(); }
    void setMax(Real v);
    void setRange(Real lo, Real hi);
    TDataType Datatype() const { return model_.datatype(); }
    void setDatatype(TDataType t);
    TNumericType NumericType() const { return model_.numericType(); }
    void setNumericType(TNumericType t);
    int Digits() const { return model_.digits(); }
    void setDigits(int d);
    int Decimals() const { return model_.decimals(); }
    void setDecimals(int d);
    bool Validate() const { return model_.validate(); }
    void setValidate(bool on);

    int asByte() const { return model_.asByte(); }
    double asDouble() const { return model_.asDouble(); }
    int asInteger() const { return model_.asInteger(); }
    long asLongint() const { return model_.asLongint(); }
    double asReal48() const { return model_.asReal48(); }
    int asShortint() const { return model_.asShortint(); }
    float asSingle() const { return model_.asSingle(); }
    int asWord() const { return model_.asWord(); }

    // Commits the typed text as on leaving the field; false when refused.
    bool commitText();

    // Shows the field's error boxes; tests replace it.
    using ErrorReporter = std::function<void(QWidget* field, const QString& message)>;
    static void setErrorReporter(ErrorReporter reporter);

    static QChar decimalSeparator();
    QSize sizeHint() const override;

signals:
    // Raised only after the typed text was committed.
    void exited();
    // Enter pressed in the field and the typed text committed (the key
    // itself inserts nothing).
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool leavesForAnotherControl(Qt::FocusReason reason) const;
    void keepFocusAfterRefusal();
    void apply(NumericValue::Change change);
    void refresh();
    void refuse(const QString& message);

    NumericValue model_;
    bool reporting_ = false;
};

class TNumInp : public TCustomNumInp {
    Q_OBJECT
public:
    using TCustomNumInp::TCustomNumInp;
};

} // namespace velumbra
