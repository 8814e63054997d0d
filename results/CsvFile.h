#pragma once

#include "core/Result.h"
#include "results/ResultRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace verimetra {

// The CSV file keeps everything a row holds, for R, pandas or a spreadsheet (RFC
// 4180): a header line naming the columns, then one line a record in table order,
// every line ended by CR LF, UTF-8 without a byte order mark. The columns:
//   number,name,image_file,leaf,area,unit,holes_area,filled_area,holes_percent,
//   perimeter,length,width,centroid_x,centroid_y,touches_edge,specks,specks_area,
//   pixels_per_unit,known_length,threshold,region_left,region_top,region_right,
//   region_bottom,measured_at,program_version
// number is the row's place, 1 for the first. A leaf's values are empty on other
// rows, and how a row was measured on rows that do not know it; the threshold is
// empty when the region was not converted, the region when there is none. The
// region's sides are its inclusive pixel columns and rows. Numbers are the
// shortest text that reads back to the same double, with '.' as the decimal point;
// touches_edge is yes or no; measured_at is ISO 8601 with milliseconds and the
// offset from UTC ("2026-12-11T16:30:00.123+01:00", "Z" for UTC). A field is quoted
// when it holds a comma, a double quote, CR or LF, or begins or ends with a blank;
// a quote inside is written doubled.
QByteArray writeCsvFile(const QList<ResultRecord>& records);

// Reads what writeCsvFile() writes and what R, pandas and spreadsheets write when
// they save it again: a byte order mark, LF or CR line ends, any field quoted,
// columns in any order, columns of their own (an index column without a name),
// NA for a missing value, 1.0 for a whole number, TRUE and FALSE for yes and no, no
// line end after the last record, empty lines at the end. Only "name" and "area"
// must be there; a missing column reads as empty fields, and rows are numbered
// afresh. A row is a leaf's when its leaf field is not empty, and it has a
// measurement's details when its measured_at field is not empty; otherwise those
// columns are not read. Either all records or the reason with the 1-based line
// where the first bad record starts (1 for the header line), never both.
Result<QList<ResultRecord>> readCsvFile(const QByteArray& bytes);

// True when the bytes begin, after a byte order mark, with a CSV header line that
// names the columns "name" and "area". A classic results file's first line is a
// record, such as "name",3.5, and never does.
bool isCsvFile(const QByteArray& bytes);

// Writes the CSV file through a temporary file that replaces the old one only
// when everything is written: a failed export leaves the old file as it was.
// The reason names the file.
Outcome exportCsvFile(const QString& path, const QList<ResultRecord>& records);

} // namespace verimetra
