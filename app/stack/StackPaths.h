#pragma once
#include "app/stack/StackOptions.h"
#include "app/stack/StackText.h"

#include <QString>
#include <QStringList>

namespace velumbra::stack {

// The parameter record beside the result: same base name, ".par".
QString recordPathOf(const QString& output);

// Where --save-frames writes light frame `number` (from 1).
QString savedFramePath(const QString& folder, int number);

// The file a path designates once links are followed: the canonical path of
// an existing file, else the path the file would be created at.
QString fileIdentity(const QString& path);

struct PathCheck {
    QString usageError;  // set: the run must not start
    QStringList leftOut; // one message per light frame left out
};

// Run before anything is read or written. An output of the run (result,
// record, log, saved frames) that is also a light frame, a dark or a flat
// is a usage error, and so are two outputs on one file. Two cases are left
// out of the light frames instead, with a message: the record, and the
// result when an earlier run of this command wrote it (a wildcard picks up
// the last result on the next run). The messages speak the language of `text`.
PathCheck checkStackPaths(StackOptions& options, const StackText& text);

// Marks the result just written as this command's, so the next run can
// tell it from a frame. Nothing is marked where the file system keeps no
// such mark; that result then counts as a frame.
void markAsStackResult(const QString& path);
bool isStackResult(const QString& path);

} // namespace velumbra::stack
