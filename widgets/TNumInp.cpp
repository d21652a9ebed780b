#include "widgets/TNumInp.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>

namespace velumbra {
namespace {

void showErrorBox(QWidget* field, const QString& message)
{
    QMessageBox::critical(field, QString(), message, QMessageBox::Ok);
}

TCustomNumInp::ErrorReporter& reporter()
{
    static TCustomNumInp::ErrorReporter r = showErrorBox;
    return r;
}

} // namespace

TCustomNumInp::TCustomNumInp(QWidget* parent) : QLineEdit(parent)
{
    // 85 pixels wide unless a window's layout asks for less.
    setMinimumWidth(40);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setText(QStringLiteral("0.0"));
    refresh();
}

void TCustomNumInp::setErrorReporter(ErrorReporter r) { reporter() = r ? std::move(r) : showErrorBox; }

QSize TCustomNumInp::sizeHint() const { return {85, QLineEdit::sizeHint().height()}; }

QChar TCustomNumInp::decimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

void TCustomNumInp::refresh() { setText(model_.refreshText(decimalSeparator())); }

void TCustomNumInp::apply(NumericValue::Change change)
{
    if (change == NumericValue::Change::Refreshed) refresh();
    else if (change == NumericValue::Change::Refused) refuse(model_.message());
}

void TCustomNumInp::setValue(Real v) { apply(model_.setValue(v)); }
void TCustomNumInp::setMin(Real v) { apply(model_.setMin(v)); }
void TCustomNumInp::setMax(Real v) { apply(model_.setMax(v)); }
void TCustomNumInp::setRange(Real lo, Real hi)
{
    if (lo > Max()) {
        setMax(hi);
        setMin(lo);
    } else {
        setMin(lo);
        setMax(hi);
    }
}
void TCustomNumInp::setDatatype(TDataType t) { apply(model_.setDatatype(t)); }
void TCustomNumInp::setNumericType(TNumericType t) { apply(model_.setNumericType(t)); }
void TCustomNumInp::setDigits(int d) { apply(model_.setDigits(d)); }
void TCustomNumInp::setDecimals(int d) { apply(model_.setDecimals(d)); }
void TCustomNumInp::setValidate(bool on) { apply(model_.setValidate(on)); }

void TCustomNumInp::refuse(const QString& message)
{
    if (reporting_) return;
    reporting_ = true;
    reporter()(this, message);
    reporting_ = false;
}

void TCustomNumInp::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (commitText()) emit enterPressed();
        else selectAll();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab &&
        event->key() != Qt::Key_Escape && event->key() != Qt::Key_Delete) {
        // Characters are filtered, copy and paste included.
        if (text.size() != 1 || !model_.acceptsChar(text.at(0), decimalSeparator())) {
            event->accept();
            return;
        }
        const bool grows = text.at(0) != QChar(8);
        if (grows && this->text().size() - selectedText().size() >= typedLength) {
            event->accept();
            return;
        }
    } else if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Copy) ||
               event->matches(QKeySequence::Cut)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TCustomNumInp::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    QTimer::singleShot(0, this, [this] { selectAll(); });
}

bool TCustomNumInp::commitText()
{
    const QString typed = text();
    const auto result = model_.commit(typed, decimalSeparator());
    if (result != NumericValue::Commit::Accepted) {
        refuse(model_.message());
        return false;
    }
    refresh();
    return true;
}

// Only a move to another control of the same window commits: switching
// windows, opening a menu or the field's own context menu leaves the typed
// text as it is, half-typed or not.
bool TCustomNumInp::leavesForAnotherControl(Qt::FocusReason reason) const
{
    switch (reason) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
        return false;
    default:
        return true;
    }
}

void TCustomNumInp::keepFocusAfterRefusal()
{
    selectAll();
    QTimer::singleShot(0, this, [this] {
        setFocus(Qt::OtherFocusReason);
        selectAll();
    });
}

void TCustomNumInp::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (reporting_ || !leavesForAnotherControl(event->reason())) return;
    if (!commitText()) {
        // The field keeps the focus while its text is not a valid value.
        keepFocusAfterRefusal();
        return;
    }
    emit exited();
}

} // namespace velumbra
