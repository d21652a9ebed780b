#pragma once
#include "core/Geometry.h"

#include <QString>
#include <array>
#include <optional>

class QIODevice;

namespace velumbra {

struct ZoneState;

// The guiding offsets read from a text file, one "dx,dy" per line (pixels),
// applied one after the other between exposures ("Decal.+1").
class OffsetList {
public:
    static constexpr int kCapacity = 1024;

    // load_offset_file: false when the file cannot be opened for reading,
    // the list untouched then. Otherwise the list is replaced: a line is
    // skipped when it holds "//", holds no comma, or ends with its first
    // comma; dx is the text before the first comma and dy the text after
    // it, each 0 when it is no whole number. Lines past the 1024th entry
    // are not read.
    bool load_offset_file(const QString& fileName);
    // The same rules over any readable device.
    void read(QIODevice& device);

    int count() const { return count_; }
    int nextIndex() const { return next_; }
    Point entry(int i) const { return entries_[size_t(i)]; }

    // The entry to apply now; the index then moves on, back to the first
    // entry after the last. Nothing when the list is empty.
    std::optional<Point> takeNext();

private:
    std::array<Point, kCapacity> entries_{};
    int count_ = 0;
    int next_ = 0;
};

// When the next offset is applied: tracking, the offset option and guiding
// all on, and whether the display zone follows the detection zone.
struct OffsetConditions {
    bool CKB_Suivi = false;
    bool CKB_Fichier_decalage = false;
    bool CKB_Autoguidage = false;
    bool CKB_Zones_Liees = false;
};

// apply_next_offset: moves the guiding reference starPos by the next entry
// (prevStarPos keeps the old one) and, unless the zones are linked, moves
// the display zone the other way so the displayed field stays put. Returns
// the entry applied; the caller restarts the drift prediction from the new
// reference and redraws the zones.
std::optional<Point> apply_next_offset(OffsetList& list, const OffsetConditions& c, ZoneState& zone);

} // namespace velumbra
