#pragma once
#include "indi/IndiSettings.h"

namespace velumbra {

class IniFile;

// The [INDI] section of Velumbra.ini. Missing or malformed keys keep the
// defaults; out-of-range values are brought into range.
void loadIndiSettings(const IniFile& ini, IndiSettings& settings);
// Throws IniWriteError when the file cannot be written.
void saveIndiSettings(IniFile& ini, const IndiSettings& settings);

} // namespace velumbra
