#include "processing/LiveRegistration.h"

#include <cstring>

namespace velumbra {

bool LiveRegistration::apply(QImage& frame, int width, int height, bool restart)
{
    if (restart) {
        reference_.clear();
        registered_ = refused_ = 0;
    }
    const std::vector<FoundStar>& stars = finder_.find(frame, width, height);
    if (reference_.empty()) {
        last_ = MatchResult{};
        last_.matched = int(stars.size());
        lastRefused_ = int(stars.size()) < MatchSettings{}.minMatched;
        if (lastRefused_) {
            ++refused_;
            return false;
        }
        reference_ = stars;
        last_.ok = true;
        ++registered_;
        return true;
    }
    last_ = matcher_.match(reference_, stars);
    lastRefused_ = !last_.ok;
    if (!last_.ok) {
        ++refused_;
        return false;
    }
    if (turned_.size() != frame.size() || turned_.format() != frame.format()) turned_ = QImage(frame.size(), frame.format());
    resampleRigid(frame, width, height, last_.transform, turned_);
    const std::size_t bytes = std::size_t(std::min(width, frame.width())) * 4;
    for (int y = 0; y < std::min(height, frame.height()); ++y) std::memcpy(frame.scanLine(y), turned_.constScanLine(y), bytes);
    ++registered_;
    return true;
}

QString LiveRegistration::summary(int width, int height) const
{
    if (!hasReference() && registered_ == 0 && refused_ == 0) return {};
    if (lastRefused_) return QStringLiteral("\u2605 %1  \u2717").arg(last_.matched);
    const QPointF shift = last_.transform.shiftOf(QPointF((width - 1) / 2.0, (height - 1) / 2.0));
    return QStringLiteral("\u2605 %1  \u0394x %2  \u0394y %3  \u27F2 %4\u00B0")
        .arg(last_.matched)
        .arg(shift.x(), 0, 'f', 2)
        .arg(shift.y(), 0, 'f', 2)
        .arg(last_.transform.degrees(), 0, 'f', 3);
}

} // namespace velumbra
