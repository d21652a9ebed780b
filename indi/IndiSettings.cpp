#include "indi/IndiSettings.h"

namespace velumbra {

bool parseIndiServer(const QString& text, QString& host, int& port)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    const int colon = t.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        host = t;
        return true;
    }
    bool ok = false;
    const int p = t.mid(colon + 1).toInt(&ok);
    if (!ok || p <= 0 || p > 65535 || colon == 0) return false;
    host = t.left(colon);
    port = p;
    return true;
}

} // namespace velumbra
