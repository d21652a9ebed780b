#pragma once
#include <QString>
#include <QStringList>

namespace velumbra {

// The one way every part reports to the user: a line in the main window's
// message panel (showMessage). Logic takes a MessageSink; the main window is
// the real one, tests record.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(bool clear, const QString& text) = 0;
};

class RecordingMessages final : public MessageSink {
public:
    void showMessage(bool clear, const QString& text) override
    {
        if (clear) lines.clear();
        lines += text.split(QLatin1Char('\n'));
    }
    QStringList lines;
};

} // namespace velumbra
