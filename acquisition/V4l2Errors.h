#pragma once
#include <QString>

namespace velumbra {

// Why a camera could not be opened or stopped answering, in the user's
// words: what to do about it when there is something to do.
QString v4l2ErrorReason(int error);

// The node does not exist (no camera at that number): not worth listing.
bool v4l2NodeAbsent(int error);

} // namespace velumbra
