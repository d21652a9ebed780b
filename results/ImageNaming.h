#pragma once
#include <QString>

namespace velumbra {

// Highest image number; the number field refuses anything above it.
inline constexpr int kMaxImageNumber = 65535;

// Prefix + number, without extension. With fixedLength the number gets
// leading zeros up to `length` digits; a longer number is used whole.
QString BuildImageBaseName(const QString& prefix, int number, bool fixedLength, int length);

// Folder part of an image name: everything up to the last "/" (empty when
// there is none). The file-name part is what follows it.
QString folderPart(const QString& name);
QString fileNamePart(const QString& name);

// The name without a final ".bmp", whatever its case.
QString cutBmpExtension(const QString& name);

// Creates the folder part of a typed name with its missing parents. A name
// without a folder part, or an existing folder, does nothing. Returns false
// only when a folder was needed and could not be made.
bool createFolderOf(const QString& name);

// A folder as the image folder field keeps it: ending with "/" unless empty.
QString folderWithSeparator(const QString& folder);

// The image name moved into a new folder: folder + "/" (when missing) + the
// file-name part of the old name.
QString moveToFolder(const QString& folder, const QString& name);

// Size in bytes of the 24-bit BMP file written for an image of this size.
qint64 bmpFileSize(int width, int height);

} // namespace velumbra
