#include "results/DataFile.h"

#include "analysis/NumberText.h"
#include "results/CsvFile.h"
#include "results/FileText.h"
#include "results/RecoveryFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstring>

namespace verimetra {

namespace {

// --- Text encoding ---------------------------------------------------------

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F. The five bytes that
// code page leaves unassigned map to the control characters of the same value,
// as Windows itself converts them.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98
};

QString fromWindows1252(const char* data, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        out[i] = QChar(c >= 0x80 && c <= 0x9F ? windows1252High[c - 0x80] : char16_t(c));
    }
    return text;
}

// --- Records -----------------------------------------------------------------

class Reader
{
public:
    Reader(const char* data, qsizetype size, bool utf8) : m_data(data), m_size(size), m_utf8(utf8)
    {
        const void* nul = std::memchr(data, 0, static_cast<size_t>(size));
        m_firstNul = nul ? static_cast<const char*>(nul) - data : size;
    }

    Result<QList<ResultRecord>> read()
    {
        QList<ResultRecord> records;
        // One record a line at most: reserved at once, the list never grows by
        // doubling past what the file can hold.
        records.reserve(std::min<qsizetype>(countLineBreaks(0, m_size) + 1, MaxDataFileRecords));
        while (m_pos < m_size) {
            if (restIsBlankLines()) {
                break;
            }
            const int recordLine = m_line;
            if (records.size() == MaxDataFileRecords) {
                return failed(QStringLiteral("the file holds more than %1 records, more than a "
                                             "results table holds")
                                  .arg(MaxDataFileRecords),
                              recordLine);
            }
            ResultRecord record;
            const QString reason = readRecord(record);
            if (!reason.isEmpty()) {
                return failed(reason, recordLine); // no records with an error
            }
            records.append(std::move(record));
        }
        return records;
    }

private:
    // True when nothing but blanks and line ends is left: the file ends here.
    bool restIsBlankLines() const { return onlyBlankLinesFrom(m_data, m_size, m_pos); }

    qsizetype skipBlanks(qsizetype i) const
    {
        while (i < m_size && isBlank(m_data[i])) {
            ++i;
        }
        return i;
    }

    // Position of the first comma or line end at or after i, or the end.
    qsizetype findCommaOrLineEnd(qsizetype i) const
    {
        while (i < m_size && m_data[i] != ',' && !isLineEnd(m_data[i])) {
            ++i;
        }
        return i;
    }

    qsizetype findLineEnd(qsizetype i) const
    {
        while (i < m_size && !isLineEnd(m_data[i])) {
            ++i;
        }
        return i;
    }

    // Counts the line breaks in [begin, end): CR LF, LF and CR each end a line.
    int countLineBreaks(qsizetype begin, qsizetype end) const
    {
        return verimetra::countLineBreaks(m_data, begin, end);
    }

    QString decode(const char* data, qsizetype size) const
    {
        if (!m_utf8) {
            return fromWindows1252(data, size);
        }
        // A name may itself start with U+FEFF: only the file's first bytes are a
        // byte order mark, and those were skipped before any name was read.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return utf8.decode(QByteArrayView(data, size));
    }

    static QString nulInRecord() { return QStringLiteral("the record holds a NUL character"); }

    // A NUL byte in the part of the record read so far, up to spanEnd, is named
    // first: it is the likelier cause, as text files hold none.
    QString failure(const char* reason, qsizetype spanEnd) const
    {
        return m_firstNul < spanEnd ? nulInRecord() : QString::fromLatin1(reason);
    }

    // Reads one record starting at m_pos and moves past its line end. Returns
    // the reason when it cannot be read.
    QString readRecord(ResultRecord& record)
    {
        qsizetype i = skipBlanks(m_pos);
        if (i == m_size || isLineEnd(m_data[i])) {
            return failure("the line is empty", i);
        }

        int nameLineBreaks = 0;
        if (m_data[i] == '"') {
            // A quoted name: "" inside stands for one quote; line breaks are kept.
            const qsizetype nameBegin = i + 1;
            qsizetype j = nameBegin;
            QByteArray unescaped; // used only once a doubled quote turns up
            while (true) {
                const void* found = std::memchr(m_data + j, '"', static_cast<size_t>(m_size - j));
                if (!found) {
                    return failure("the name has no closing quote", m_size);
                }
                const qsizetype quote = static_cast<const char*>(found) - m_data;
                if (quote + 1 < m_size && m_data[quote + 1] == '"') {
                    unescaped.append(m_data + j, quote + 1 - j);
                    j = quote + 2;
                    continue;
                }
                if (unescaped.isEmpty()) {
                    record.name = decode(m_data + nameBegin, quote - nameBegin);
                } else {
                    unescaped.append(m_data + j, quote - j);
                    record.name = decode(unescaped.constData(), unescaped.size());
                }
                nameLineBreaks = countLineBreaks(nameBegin, quote);
                i = skipBlanks(quote + 1);
                break;
            }
            if (i < m_size && m_data[i] != ',' && !isLineEnd(m_data[i])) {
                return failure("there is text after the closing quote of the name", findLineEnd(i));
            }
        } else {
            // A name without quotes runs to the comma, blanks before it included.
            const qsizetype nameEnd = findCommaOrLineEnd(i);
            record.name = decode(m_data + i, nameEnd - i);
            i = nameEnd;
        }
        if (i == m_size || m_data[i] != ',') {
            return failure("there is no comma after the name", i);
        }

        const qsizetype numberBegin = skipBlanks(i + 1);
        const qsizetype lineEnd = findLineEnd(numberBegin);
        qsizetype numberEnd = lineEnd;
        while (numberEnd > numberBegin && isBlank(m_data[numberEnd - 1])) {
            --numberEnd;
        }
        if (m_firstNul < lineEnd) {
            return nulInRecord();
        }
        if (numberBegin == numberEnd) {
            return failure("the area is missing", lineEnd);
        }
        if (std::memchr(m_data + numberBegin, ',', static_cast<size_t>(numberEnd - numberBegin))) {
            return failure("the line has more than two fields", lineEnd);
        }
        switch (parseDecimal(m_data + numberBegin, m_data + numberEnd, record.area)) {
        case NumberResult::Ok:
            break;
        case NumberResult::NotANumber:
            return failure("the area is not a number", lineEnd);
        case NumberResult::OutOfRange:
            return failure("the area is out of range", lineEnd);
        }

        m_pos = lineEnd;
        if (m_pos < m_size) {
            if (m_data[m_pos] == '\r' && m_pos + 1 < m_size && m_data[m_pos + 1] == '\n') {
                m_pos += 2;
            } else {
                m_pos += 1;
            }
        }
        m_line += nameLineBreaks + 1;
        return {};
    }

    const char* m_data;
    qsizetype m_size;
    bool m_utf8;
    qsizetype m_firstNul;
    qsizetype m_pos = 0;
    int m_line = 1;
};

QString displayName(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

class DataFileText
{
    Q_DECLARE_TR_FUNCTIONS(DataFile)

public:
    static QString cannotOpen(const QString& path, const QString& why)
    {
        return tr("Cannot open \"%1\": %2").arg(displayName(path), why);
    }
    static QString cannotRead(const QString& path, const QString& why)
    {
        return tr("Cannot read \"%1\": %2").arg(displayName(path), why);
    }
    static QString atLine(const QString& path, int line, const QString& why)
    {
        return tr("Cannot read \"%1\": line %2: %3.").arg(displayName(path)).arg(line).arg(why);
    }
};

} // namespace

QByteArray writeDataFile(const QList<ResultRecord>& records)
{
    QByteArray bytes;
    for (const ResultRecord& record : records) {
        const QByteArray name = record.name.toUtf8();
        bytes.append('"');
        qsizetype from = 0;
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (name[i] == '"') {
                bytes.append(name.constData() + from, i + 1 - from);
                bytes.append('"');
                from = i + 1;
            }
        }
        bytes.append(name.constData() + from, name.size() - from);
        bytes.append("\",");
        bytes.append(formatForFile(record.area).toLatin1());
        bytes.append("\r\n");
    }
    return bytes;
}

Result<QList<ResultRecord>> readDataFile(const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype size = bytes.size();
    const bool utf8 = firstInvalidUtf8(data, size) == size;
    if (utf8 && size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        size -= 3;
    }
    return Reader(data, size, utf8).read();
}

Outcome saveDataFile(const QString& path, const QList<ResultRecord>& records)
{
    return saveAtomically(path, writeDataFile(records));
}

Result<QList<ResultRecord>> loadDataFile(const QString& path)
{
    // Only a regular file is opened: a pipe would block the program in open(), a
    // device never end.
    const QFileInfo info(path);
    if (!info.exists()) {
        return failed(DataFileText::cannotOpen(path, DataFileText::tr("the file does not exist")));
    }
    if (!info.isFile()) {
        return failed(DataFileText::cannotOpen(path, DataFileText::tr("it is not a file")));
    }
    if (info.size() > MaxDataFileBytes) {
        return failed(DataFileText::cannotRead(
            path, DataFileText::tr("the file is larger than %1 MiB, too large for a results file")
                      .arg(MaxDataFileBytes / (1024 * 1024))));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(DataFileText::cannotOpen(path, file.errorString()));
    }
    // Read no more than the limit, should the file have grown since.
    const QByteArray bytes = file.read(std::min(file.size(), MaxDataFileBytes) + 1);
    if (file.error() != QFileDevice::NoError) {
        return failed(DataFileText::cannotRead(path, file.errorString()));
    }
    if (bytes.size() > MaxDataFileBytes) {
        return failed(DataFileText::cannotRead(
            path, DataFileText::tr("the file is larger than %1 MiB, too large for a results file")
                      .arg(MaxDataFileBytes / (1024 * 1024))));
    }
    // A recovery copy kept aside reads as the rows it keeps.
    if (isRecoveryFile(bytes)) {
        Result<RecoveryCopy> copy = readRecoveryFile(bytes);
        if (!copy.ok()) {
            return failed(DataFileText::cannotRead(path, copy.error()));
        }
        return copy.take().rows;
    }
    Result<QList<ResultRecord>> contents =
        isCsvFile(bytes) ? readCsvFile(bytes) : readDataFile(bytes);
    if (!contents.ok()) {
        return failed(DataFileText::atLine(path, contents.errorLine(), contents.error()),
                      contents.errorLine());
    }
    return contents;
}

} // namespace verimetra
