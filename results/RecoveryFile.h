#pragma once

#include "core/Result.h"
#include "results/ResultRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace verimetra {

// The results table as a recovery copy keeps it: every row with all its columns,
// the unit of the heading, whether the rows are unsaved, and when it was written.
struct RecoveryCopy
{
    QList<ResultRecord> rows;
    QString unit;         // the unit the area heading names; empty when it names none
    bool unsaved = false; // the rows changed since they were last saved or imported
    QDateTime written;    // when the copy was written
    bool operator==(const RecoveryCopy&) const = default;
};

// The recovery file: a few header lines, then the rows as a CSV file
// (writeCsvFile), whose length and SHA-256 the header gives so that a damaged or
// truncated copy is told from a whole one:
//   Verimetra results recovery 1
//   written 2026-12-11T17:00:00.123+01:00
//   unit cm                    (percent-encoded; no line when the heading names none)
//   unsaved yes
//   rows 42
//   bytes 12345
//   sha256 <64 hex digits>
//   <an empty line, then the CSV bytes>
// Every line ends with LF.
QByteArray writeRecoveryFile(const RecoveryCopy& copy);

// Whether the bytes begin as a recovery file does.
bool isRecoveryFile(const QByteArray& bytes);

// Reads a whole recovery file, or why it is damaged; never a part of one.
Result<RecoveryCopy> readRecoveryFile(const QByteArray& bytes);

} // namespace verimetra
