#include "results/CsvFile.h"

#include "image/ImageHeader.h"
#include "results/DataFile.h"
#include "results/FileText.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringDecoder>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace verimetra {

namespace {

// --- Columns -------------------------------------------------------------------

enum class Column
{
    Number,
    Name,
    ImageFile,
    Leaf,
    Area,
    Unit,
    HolesArea,
    FilledArea,
    HolesPercent,
    Perimeter,
    Length,
    Width,
    CentroidX,
    CentroidY,
    TouchesEdge,
    Specks,
    SpecksArea,
    PixelsPerUnit,
    KnownLength,
    Threshold,
    RegionLeft,
    RegionTop,
    RegionRight,
    RegionBottom,
    MeasuredAt,
    ProgramVersion,
};
constexpr int ColumnCount = static_cast<int>(Column::ProgramVersion) + 1;

// In the order of the enum, which is the order of the written columns.
constexpr std::array<std::string_view, ColumnCount> columnNames{
    "number",         "name",        "image_file",      "leaf",          "area",
    "unit",           "holes_area",  "filled_area",     "holes_percent", "perimeter",
    "length",         "width",       "centroid_x",      "centroid_y",    "touches_edge",
    "specks",         "specks_area", "pixels_per_unit", "known_length",  "threshold",
    "region_left",    "region_top",  "region_right",    "region_bottom", "measured_at",
    "program_version"};

std::string_view nameOf(Column column)
{
    return columnNames[static_cast<size_t>(column)];
}

QString displayName(Column column)
{
    const std::string_view name = nameOf(column);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// Leaf numbers, speck counts, thresholds and pixel columns and rows: no picture
// read has more leaves, specks or pixels on a side than it has pixels.
constexpr double LargestWholeNumber = static_cast<double>(MaxImagePixels);

// A header line of more columns than this is no results table's. It bounds the
// fields held for one record.
constexpr qsizetype MaxColumns = 10'000;

class CsvFileText
{
    Q_DECLARE_TR_FUNCTIONS(CsvFile)

public:
    static QString empty() { return tr("the file is empty"); }
    static QString noClosingQuote() { return tr("a quoted field has no closing quote"); }
    static QString textAfterQuote()
    {
        return tr("there is text after the closing quote of a field");
    }
    static QString tooManyColumns()
    {
        return tr("the first line has more than %1 columns").arg(MaxColumns);
    }
    static QString missingColumn(Column column)
    {
        return tr("the first line names no column \"%1\"").arg(displayName(column));
    }
    static QString columnTwice(Column column)
    {
        return tr("the first line names the column \"%1\" twice").arg(displayName(column));
    }
    static QString notUtf8() { return tr("the text is not UTF-8"); }
    static QString emptyLine() { return tr("the line is empty"); }
    static QString moreFields(qsizetype header)
    {
        return tr("the record has more fields than the first line (%1)").arg(header);
    }
    static QString fewerFields(qsizetype fields, qsizetype header)
    {
        return tr("the record has %1 fields, the first line %2").arg(fields).arg(header);
    }
    static QString tooManyRecords()
    {
        return tr("the file holds more than %1 records, more than a results table holds")
            .arg(MaxDataFileRecords);
    }
    static QString missing(Column column)
    {
        return tr("the value in column \"%1\" is missing").arg(displayName(column));
    }
    static QString notANumber(Column column)
    {
        return tr("the value in column \"%1\" is not a number").arg(displayName(column));
    }
    static QString outOfRange(Column column)
    {
        return tr("the value in column \"%1\" is out of range").arg(displayName(column));
    }
    static QString notWhole(Column column, double low)
    {
        return tr("the value in column \"%1\" is not a whole number from %2 to %3")
            .arg(displayName(column))
            .arg(low, 0, 'f', 0)
            .arg(LargestWholeNumber, 0, 'f', 0);
    }
    static QString notYesOrNo(Column column)
    {
        return tr("the value in column \"%1\" is neither yes nor no").arg(displayName(column));
    }
    static QString notADate(Column column)
    {
        return tr("the value in column \"%1\" is not an ISO 8601 date and time")
            .arg(displayName(column));
    }
    static QString partRegion()
    {
        return tr("the region needs all four of region_left, region_top, region_right and "
                  "region_bottom");
    }
    static QString emptyRegion()
    {
        return tr("the region's right or bottom side lies before its left or top side");
    }
};

// --- Writing -------------------------------------------------------------------

// measured_at always carries its offset from UTC, whatever the time's kind: a
// local time is written with the offset it had then.
QByteArray isoText(const QDateTime& time)
{
    const Qt::TimeSpec spec = time.timeSpec();
    const QDateTime withOffset = spec == Qt::UTC || spec == Qt::OffsetFromUTC
                                     ? time
                                     : time.toOffsetFromUtc(time.offsetFromUtc());
    return withOffset.toString(Qt::ISODateWithMs).toLatin1();
}

// Appends one record's fields, with a comma between each two.
class RowWriter
{
public:
    explicit RowWriter(QByteArray& out) : m_out(out) {}

    void empty() { separate(); }

    void whole(qint64 value)
    {
        separate();
        m_out.append(QByteArray::number(value));
    }

    void number(double value)
    {
        separate();
        // The shortest text that reads back to the same bits: "0.1", "1e+20", "-0".
        char text[64];
        const auto result = std::to_chars(text, text + sizeof text, value);
        m_out.append(text, result.ptr - text);
    }

    void text(const QString& value)
    {
        separate();
        const QByteArray bytes = value.toUtf8();
        bool quoted = !bytes.isEmpty() && (isBlank(bytes.front()) || isBlank(bytes.back()));
        for (qsizetype i = 0; i < bytes.size() && !quoted; ++i) {
            const char c = bytes[i];
            quoted = c == ',' || c == '"' || isLineEnd(c);
        }
        if (!quoted) {
            m_out.append(bytes);
            return;
        }
        m_out.append('"');
        qsizetype from = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '"') {
                m_out.append(bytes.constData() + from, i + 1 - from);
                m_out.append('"');
                from = i + 1;
            }
        }
        m_out.append(bytes.constData() + from, bytes.size() - from);
        m_out.append('"');
    }

    void raw(const QByteArray& value)
    {
        separate();
        m_out.append(value);
    }

private:
    void separate()
    {
        if (m_first) {
            m_first = false;
        } else {
            m_out.append(',');
        }
    }

    QByteArray& m_out;
    bool m_first = true;
};

void writeRecord(QByteArray& out, qsizetype number, const ResultRecord& record)
{
    const bool leaf = record.isLeaf();
    const bool measured = record.hasProvenance();
    const LeafValues& values = record.leaf;
    const Provenance& how = record.provenance;
    // An invalid rectangle holds no pixel: written as no region, like a null one.
    const bool region = measured && how.region.isValid();

    RowWriter row(out);
    row.whole(number);
    row.text(record.name);
    measured ? row.text(how.imageFile) : row.empty();
    leaf ? row.whole(values.leaf) : row.empty();
    row.number(record.area);
    measured ? row.text(how.unit) : row.empty();
    for (const double value :
         {values.holesArea, values.filledArea, values.holesPercent, values.perimeter, values.length,
          values.width, values.centroidX, values.centroidY}) {
        leaf ? row.number(value) : row.empty();
    }
    leaf ? row.raw(values.touchesEdge ? "yes" : "no") : row.empty();
    leaf ? row.whole(values.specks) : row.empty();
    leaf ? row.number(values.specksArea) : row.empty();
    measured ? row.number(how.pixelsPerUnit) : row.empty();
    measured ? row.number(how.knownLength) : row.empty();
    (measured && how.threshold != Provenance::NoThreshold) ? row.whole(how.threshold) : row.empty();
    for (const int side :
         {how.region.left(), how.region.top(), how.region.right(), how.region.bottom()}) {
        region ? row.whole(side) : row.empty();
    }
    measured ? row.raw(isoText(how.measuredAt)) : row.empty();
    measured ? row.text(how.programVersion) : row.empty();
    out.append("\r\n");
}

// --- Reading -------------------------------------------------------------------

// Where one field lies in the file; a quoted field without its quotes.
struct Field
{
    qsizetype begin = 0;
    qsizetype end = 0;
    bool doubledQuotes = false; // "" inside stands for one quote
};

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && isBlank(text.back())) {
        text.chop(1);
    }
    return text;
}

// An empty field, or NA as R writes a missing value.
bool isMissing(QByteArrayView text)
{
    return text.isEmpty() || text == QByteArrayView("NA");
}

bool equalsIgnoringCase(QByteArrayView text, const char* word)
{
    return qstrnicmp(text.data(), text.size(), word) == 0;
}

class CsvReader
{
public:
    CsvReader(const char* data, qsizetype size)
        : m_data(data), m_size(size), m_firstInvalidUtf8(size) // checked by read()
    {
        m_columnField.fill(-1);
    }

    // Reads the header line: true when it could be split into fields and names
    // "name" and "area" (the rest is not checked).
    bool looksLikeHeader()
    {
        if (!nextRecord().isEmpty()) {
            return false;
        }
        bool name = false;
        bool area = false;
        for (const Field& field : m_fields) {
            const QByteArrayView text = bytesOf(field);
            name = name || text == nameOf(Column::Name);
            area = area || text == nameOf(Column::Area);
        }
        return name && area;
    }

    Result<QList<ResultRecord>> read()
    {
        m_firstInvalidUtf8 = firstInvalidUtf8(m_data, m_size);
        if (m_size == 0) {
            return failed(CsvFileText::empty(), 1);
        }
        QString reason = nextRecord();
        if (reason.isEmpty()) {
            reason = readHeader();
        }
        if (!reason.isEmpty()) {
            return failed(reason, 1);
        }

        QList<ResultRecord> records;
        while (!restIsBlankLines()) {
            const int recordLine = m_line;
            if (records.size() == MaxDataFileRecords) {
                return failed(CsvFileText::tooManyRecords(), recordLine);
            }
            ResultRecord record;
            reason = nextRecord();
            if (reason.isEmpty()) {
                reason = readRecord(record);
            }
            if (!reason.isEmpty()) {
                return failed(reason, recordLine); // no records with an error
            }
            records.append(std::move(record));
        }
        return records;
    }

private:
    // --- Splitting into fields ---

    // True when nothing but blanks and line ends is left: the file ends here.
    bool restIsBlankLines() const { return onlyBlankLinesFrom(m_data, m_size, m_pos); }

    // Counts the line breaks in [begin, end): CR LF, LF and CR each end a line.
    int countLineBreaks(qsizetype begin, qsizetype end) const
    {
        return verimetra::countLineBreaks(m_data, begin, end);
    }

    // Splits the record at m_pos into m_fields and moves past its line end. A
    // record holds no more fields than the header line; the header line no more
    // than MaxColumns.
    QString nextRecord()
    {
        m_fields.clear();
        const qsizetype maxFields = m_fieldCount > 0 ? m_fieldCount : MaxColumns;
        int lineBreaks = 0;
        qsizetype i = m_pos;
        while (true) {
            if (static_cast<qsizetype>(m_fields.size()) == maxFields) {
                return m_fieldCount > 0 ? CsvFileText::moreFields(m_fieldCount)
                                        : CsvFileText::tooManyColumns();
            }
            Field field;
            if (i < m_size && m_data[i] == '"') {
                field.begin = i + 1;
                qsizetype j = field.begin;
                while (true) {
                    const void* found =
                        std::memchr(m_data + j, '"', static_cast<size_t>(m_size - j));
                    if (!found) {
                        return CsvFileText::noClosingQuote();
                    }
                    const qsizetype quote = static_cast<const char*>(found) - m_data;
                    if (quote + 1 < m_size && m_data[quote + 1] == '"') {
                        field.doubledQuotes = true;
                        j = quote + 2;
                        continue;
                    }
                    field.end = quote;
                    break;
                }
                lineBreaks += countLineBreaks(field.begin, field.end);
                i = field.end + 1;
                if (i < m_size && m_data[i] != ',' && !isLineEnd(m_data[i])) {
                    return CsvFileText::textAfterQuote();
                }
            } else {
                // A field without quotes runs to the comma; a quote inside is text.
                field.begin = i;
                while (i < m_size && m_data[i] != ',' && !isLineEnd(m_data[i])) {
                    ++i;
                }
                field.end = i;
            }
            m_fields.push_back(field);
            if (i < m_size && m_data[i] == ',') {
                ++i;
                continue;
            }
            break;
        }
        if (i < m_size) {
            i += (m_data[i] == '\r' && i + 1 < m_size && m_data[i + 1] == '\n') ? 2 : 1;
        }
        m_pos = i;
        m_line += lineBreaks + 1;
        if (m_firstInvalidUtf8 < m_pos) {
            return CsvFileText::notUtf8();
        }
        return {};
    }

    QByteArrayView bytesOf(const Field& field) const
    {
        return QByteArrayView(m_data + field.begin, field.end - field.begin);
    }

    // --- The header line ---

    QString readHeader()
    {
        for (size_t i = 0; i < m_fields.size(); ++i) {
            const QByteArrayView text = bytesOf(m_fields[i]);
            for (int c = 0; c < ColumnCount; ++c) {
                if (text != columnNames[static_cast<size_t>(c)]) {
                    continue;
                }
                if (m_columnField[static_cast<size_t>(c)] >= 0) {
                    return CsvFileText::columnTwice(static_cast<Column>(c));
                }
                m_columnField[static_cast<size_t>(c)] = static_cast<qsizetype>(i);
                break;
            }
        }
        for (const Column required : {Column::Name, Column::Area}) {
            if (m_columnField[static_cast<size_t>(required)] < 0) {
                return CsvFileText::missingColumn(required);
            }
        }
        m_fieldCount = static_cast<qsizetype>(m_fields.size());
        return {};
    }

    // --- One record ---

    // The field of a column in the current record, quotes and all; empty when the
    // file has no such column.
    QByteArrayView rawField(Column column) const
    {
        const qsizetype index = m_columnField[static_cast<size_t>(column)];
        return index < 0 ? QByteArrayView() : bytesOf(m_fields[static_cast<size_t>(index)]);
    }

    QString text(Column column) const
    {
        const qsizetype index = m_columnField[static_cast<size_t>(column)];
        if (index < 0) {
            return {};
        }
        const Field& field = m_fields[static_cast<size_t>(index)];
        QByteArrayView bytes = bytesOf(field);
        QByteArray unescaped;
        if (field.doubledQuotes) {
            unescaped.reserve(bytes.size());
            for (qsizetype i = 0; i < bytes.size(); ++i) {
                unescaped.append(bytes[i]);
                if (bytes[i] == '"') {
                    ++i; // the second quote of the pair
                }
            }
            bytes = unescaped;
        }
        // A text may itself start with U+FEFF: only the file's first bytes are a
        // byte order mark, and those were skipped before.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return utf8.decode(bytes);
    }

    // Reads a number into `value`. A missing one leaves it as it is and sets
    // `present` to false.
    QString number(Column column, double& value, bool& present) const
    {
        const QByteArrayView field = trimmed(rawField(column));
        present = !isMissing(field);
        if (!present) {
            return {};
        }
        switch (parseDecimal(field.data(), field.data() + field.size(), value)) {
        case NumberResult::Ok:
            return {};
        case NumberResult::NotANumber:
            return CsvFileText::notANumber(column);
        case NumberResult::OutOfRange:
            return CsvFileText::outOfRange(column);
        }
        return CsvFileText::notANumber(column);
    }

    QString number(Column column, double& value) const
    {
        bool present = false;
        return number(column, value, present);
    }

    // Reads a whole number from `low` to LargestWholeNumber; pandas writes a whole
    // number as 1.0 in a column that has empty fields.
    QString whole(Column column, double low, qint64& value, bool& present) const
    {
        double read = 0;
        QString reason = number(column, read, present);
        if (!reason.isEmpty() || !present) {
            return reason;
        }
        if (read != std::floor(read) || read < low || read > LargestWholeNumber) {
            return CsvFileText::notWhole(column, low);
        }
        value = static_cast<qint64>(read);
        return {};
    }

    QString yesOrNo(Column column, bool& value) const
    {
        const QByteArrayView field = trimmed(rawField(column));
        if (isMissing(field)) {
            return {};
        }
        for (const char* yes : {"yes", "true", "1"}) {
            if (equalsIgnoringCase(field, yes)) {
                value = true;
                return {};
            }
        }
        for (const char* no : {"no", "false", "0"}) {
            if (equalsIgnoringCase(field, no)) {
                value = false;
                return {};
            }
        }
        return CsvFileText::notYesOrNo(column);
    }

    QString readRecord(ResultRecord& record) const
    {
        const auto fieldCount = static_cast<qsizetype>(m_fields.size());
        if (fieldCount != m_fieldCount) {
            if (fieldCount == 1 && trimmed(bytesOf(m_fields.front())).isEmpty()) {
                return CsvFileText::emptyLine();
            }
            return CsvFileText::fewerFields(fieldCount, m_fieldCount);
        }

        record.name = text(Column::Name);
        bool present = false;
        QString reason = number(Column::Area, record.area, present);
        if (reason.isEmpty() && !present) {
            reason = CsvFileText::missing(Column::Area);
        }
        if (reason.isEmpty()) {
            reason = readLeaf(record.leaf);
        }
        if (reason.isEmpty()) {
            reason = readProvenance(record.provenance);
        }
        return reason;
    }

    QString readLeaf(LeafValues& values) const
    {
        qint64 leaf = 0;
        bool isLeaf = false;
        QString reason = whole(Column::Leaf, 1, leaf, isLeaf);
        if (!reason.isEmpty() || !isLeaf) {
            return reason;
        }
        values.leaf = static_cast<int>(leaf);
        const std::pair<Column, double*> numbers[] = {{Column::HolesArea, &values.holesArea},
                                                      {Column::FilledArea, &values.filledArea},
                                                      {Column::HolesPercent, &values.holesPercent},
                                                      {Column::Perimeter, &values.perimeter},
                                                      {Column::Length, &values.length},
                                                      {Column::Width, &values.width},
                                                      {Column::CentroidX, &values.centroidX},
                                                      {Column::CentroidY, &values.centroidY},
                                                      {Column::SpecksArea, &values.specksArea}};
        for (const auto& [column, value] : numbers) {
            reason = number(column, *value);
            if (!reason.isEmpty()) {
                return reason;
            }
        }
        reason = yesOrNo(Column::TouchesEdge, values.touchesEdge);
        if (!reason.isEmpty()) {
            return reason;
        }
        bool present = false;
        return whole(Column::Specks, 0, values.specks, present);
    }

    QString readProvenance(Provenance& how) const
    {
        const QByteArrayView time = trimmed(rawField(Column::MeasuredAt));
        if (isMissing(time)) {
            return {};
        }
        how.measuredAt = QDateTime::fromString(QString::fromLatin1(time), Qt::ISODateWithMs);
        if (!how.measuredAt.isValid()) {
            return CsvFileText::notADate(Column::MeasuredAt);
        }
        how.imageFile = text(Column::ImageFile);
        how.unit = text(Column::Unit);
        how.programVersion = text(Column::ProgramVersion);
        QString reason = number(Column::PixelsPerUnit, how.pixelsPerUnit);
        if (reason.isEmpty()) {
            reason = number(Column::KnownLength, how.knownLength);
        }
        qint64 threshold = 0;
        bool present = false;
        if (reason.isEmpty()) {
            reason = whole(Column::Threshold, 0, threshold, present);
        }
        if (!reason.isEmpty()) {
            return reason;
        }
        how.threshold = present ? static_cast<int>(threshold) : Provenance::NoThreshold;
        return readRegion(how.region);
    }

    QString readRegion(QRect& region) const
    {
        std::array<qint64, 4> sides{};
        int given = 0;
        const Column columns[] = {Column::RegionLeft, Column::RegionTop, Column::RegionRight,
                                  Column::RegionBottom};
        for (size_t i = 0; i < sides.size(); ++i) {
            bool present = false;
            const QString reason = whole(columns[i], 0, sides[i], present);
            if (!reason.isEmpty()) {
                return reason;
            }
            given += present ? 1 : 0;
        }
        if (given == 0) {
            return {};
        }
        if (given < 4) {
            return CsvFileText::partRegion();
        }
        const auto [left, top, right, bottom] = sides;
        if (right < left || bottom < top) {
            return CsvFileText::emptyRegion();
        }
        region = QRect(QPoint(static_cast<int>(left), static_cast<int>(top)),
                       QPoint(static_cast<int>(right), static_cast<int>(bottom)));
        return {};
    }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_firstInvalidUtf8;
    qsizetype m_pos = 0;
    int m_line = 1;
    std::vector<Field> m_fields;                      // of the current record
    qsizetype m_fieldCount = 0;                       // of the header line
    std::array<qsizetype, ColumnCount> m_columnField; // per column, -1: none
};

QByteArrayView withoutByteOrderMark(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) {
        view = view.sliced(3);
    }
    return view;
}

} // namespace

QByteArray writeCsvFile(const QList<ResultRecord>& records)
{
    QByteArray out;
    RowWriter header(out);
    for (const std::string_view name : columnNames) {
        header.raw(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
    out.append("\r\n");
    for (qsizetype i = 0; i < records.size(); ++i) {
        writeRecord(out, i + 1, records[i]);
    }
    return out;
}

Result<QList<ResultRecord>> readCsvFile(const QByteArray& bytes)
{
    const QByteArrayView text = withoutByteOrderMark(bytes);
    return CsvReader(text.data(), text.size()).read();
}

bool isCsvFile(const QByteArray& bytes)
{
    const QByteArrayView text = withoutByteOrderMark(bytes);
    return CsvReader(text.data(), text.size()).looksLikeHeader();
}

Outcome exportCsvFile(const QString& path, const QList<ResultRecord>& records)
{
    return saveAtomically(path, writeCsvFile(records));
}

} // namespace verimetra
