#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace verimetra {

// One row of the results table as the data file keeps it.
struct ResultRecord
{
    QString name;
    double area = 0; // unit^2, the full value
    bool operator==(const ResultRecord&) const = default;
};

// The data file: one record a row, in table order, `"name",area` and CR LF, no
// heading, nothing after the last line end; an empty table is an empty file.
// Areas use formatForFile(). Names are UTF-8; a double quote inside a name is
// written doubled, and a name may hold line breaks inside its quotes.
QByteArray writeDataFile(const QList<ResultRecord>& records);

struct DataFileContents
{
    QList<ResultRecord> records;
    int errorLine = 0; // 1-based line of the first record that cannot be read; 0 if none
    QString error;     // why, for the user; empty when the whole file was read
    bool ok() const { return error.isEmpty(); }
};

// Reads what writeDataFile() writes and what older files of the format hold
// (numbers such as .5, -.5, 1E+20, 1.5E-05; blanks after the comma; a name without
// quotes; Windows-1252 text when the bytes are not valid UTF-8). Empty lines at
// the end are not records. Either all records or an error with its line, never both.
DataFileContents readDataFile(const QByteArray& bytes);

// Writes the file through a temporary file that replaces the old one only when
// everything is written: a failed save leaves the old file as it was.
// Returns an empty string on success, otherwise the reason.
QString saveDataFile(const QString& path, const QList<ResultRecord>& records);

// Opens and reads a data file; the error names the reason (and line) on failure.
DataFileContents loadDataFile(const QString& path);

} // namespace verimetra
