#pragma once

#include "core/Result.h"
#include "results/ResultRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace verimetra {

// The data file keeps a row's name and area only: one record a row, in table
// order, `"name",area` and CR LF, no heading, nothing after the last line end; an
// empty table is an empty file. Areas use formatForFile(). Names are UTF-8; a double
// quote inside a name is written doubled, and a name may hold line breaks inside
// its quotes.
QByteArray writeDataFile(const QList<ResultRecord>& records);

// A results file beyond this size is not one; refusing it before reading keeps
// memory bounded. The reader holds the file and its records, about ten times the
// file's size at the most (a file of one-letter names).
inline constexpr qint64 MaxDataFileBytes = qint64(64) * 1024 * 1024;
// More records than this are no results table: no experiment measures a million
// leaves, and the grid of such a table would take gigabytes.
inline constexpr qsizetype MaxDataFileRecords = 1'000'000;

// Reads what writeDataFile() writes and what older files of the format hold
// (numbers such as .5, -.5, 1E+20, 1.5E-05; blanks after the comma; a name without
// quotes; Windows-1252 text when the bytes are not valid UTF-8). Empty lines at
// the end are not records. Either all records or the reason with the 1-based line of
// the first record that cannot be read, never both.
Result<QList<ResultRecord>> readDataFile(const QByteArray& bytes);

// Writes the file through a temporary file that replaces the old one only when
// everything is written: a failed save leaves the old file as it was.
// The reason names the file.
Outcome saveDataFile(const QString& path, const QList<ResultRecord>& records);

// Reads a data file, or a CSV file (isCsvFile()) with readCsvFile(). Only a
// regular file of at most MaxDataFileBytes is opened; the reason names the file
// (and the line) on failure.
Result<QList<ResultRecord>> loadDataFile(const QString& path);

} // namespace verimetra
