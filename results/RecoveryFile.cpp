#include "results/RecoveryFile.h"

#include "results/CsvFile.h"
#include "results/DataFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QUrl>

namespace verimetra {

namespace {

constexpr char Signature[] = "Verimetra results recovery 1\n";
// The header is a few short lines; a longer one is no recovery file's.
constexpr qsizetype MaxHeaderBytes = 64 * 1024;

class RecoveryText
{
    Q_DECLARE_TR_FUNCTIONS(RecoveryFile)

public:
    static QString notOne() { return tr("it is not a recovery file of Verimetra"); }
    static QString badHeader(const QString& line)
    {
        return tr("its header line \"%1\" cannot be read").arg(line.left(80));
    }
    static QString missing(const char* key)
    {
        return tr("its header has no \"%1\" line").arg(QLatin1String(key));
    }
    static QString truncated(qint64 expected, qint64 found)
    {
        return tr("it should hold %1 bytes of rows but holds %2: it was cut off or added to")
            .arg(expected)
            .arg(found);
    }
    static QString checksum() { return tr("its rows do not match their checksum: it is damaged"); }
    static QString rowCount(qint64 expected, qint64 found)
    {
        return tr("it should hold %1 rows but holds %2").arg(expected).arg(found);
    }
    static QString rows(const QString& why, int line)
    {
        return tr("its rows cannot be read (line %1 of the rows: %2)").arg(line).arg(why);
    }
};

QByteArray sha256Of(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace

QByteArray writeRecoveryFile(const RecoveryCopy& copy)
{
    const QByteArray rows = writeCsvFile(copy.rows);
    QByteArray bytes(Signature);
    bytes += "written " +
             copy.written.toOffsetFromUtc(copy.written.offsetFromUtc())
                 .toString(Qt::ISODateWithMs)
                 .toLatin1() +
             '\n';
    if (!copy.unit.isEmpty()) {
        bytes += "unit " + QUrl::toPercentEncoding(copy.unit) + '\n';
    }
    bytes += QByteArray("unsaved ") + (copy.unsaved ? "yes" : "no") + '\n';
    bytes += "rows " + QByteArray::number(copy.rows.size()) + '\n';
    bytes += "bytes " + QByteArray::number(rows.size()) + '\n';
    bytes += "sha256 " + sha256Of(rows) + '\n';
    bytes += '\n';
    bytes += rows;
    return bytes;
}

bool isRecoveryFile(const QByteArray& bytes)
{
    return bytes.startsWith(Signature);
}

Result<RecoveryCopy> readRecoveryFile(const QByteArray& bytes)
{
    if (!isRecoveryFile(bytes)) {
        return failed(RecoveryText::notOne());
    }
    const qsizetype end = bytes.indexOf("\n\n");
    if (end < 0 || end > MaxHeaderBytes) {
        return failed(RecoveryText::missing("bytes"));
    }
    RecoveryCopy copy;
    bool haveWritten = false;
    bool haveUnsaved = false;
    qint64 rowCount = -1;
    qint64 byteCount = -1;
    QByteArray checksum;
    const QList<QByteArray> lines =
        bytes.mid(qsizetype(sizeof Signature) - 1, end - qsizetype(sizeof Signature) + 2)
            .split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty()) {
            continue;
        }
        const qsizetype space = line.indexOf(' ');
        const QByteArray key = line.left(space);
        const QByteArray value = space < 0 ? QByteArray() : line.mid(space + 1);
        bool ok = space > 0;
        if (key == "written") {
            copy.written = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODateWithMs);
            ok = ok && copy.written.isValid();
            haveWritten = true;
        } else if (key == "unit") {
            copy.unit = QUrl::fromPercentEncoding(value);
        } else if (key == "unsaved") {
            ok = ok && (value == "yes" || value == "no");
            copy.unsaved = value == "yes";
            haveUnsaved = true;
        } else if (key == "rows") {
            rowCount = value.toLongLong(&ok);
            ok = ok && rowCount >= 0;
        } else if (key == "bytes") {
            byteCount = value.toLongLong(&ok);
            ok = ok && byteCount >= 0;
        } else if (key == "sha256") {
            checksum = value;
            ok = ok && value.size() == 64;
        } else {
            ok = false;
        }
        if (!ok) {
            return failed(RecoveryText::badHeader(QString::fromUtf8(line)));
        }
    }
    if (!haveWritten) {
        return failed(RecoveryText::missing("written"));
    }
    if (!haveUnsaved) {
        return failed(RecoveryText::missing("unsaved"));
    }
    if (rowCount < 0) {
        return failed(RecoveryText::missing("rows"));
    }
    if (byteCount < 0) {
        return failed(RecoveryText::missing("bytes"));
    }
    if (checksum.isEmpty()) {
        return failed(RecoveryText::missing("sha256"));
    }
    const QByteArray rows = bytes.mid(end + 2);
    if (rows.size() != byteCount) {
        return failed(RecoveryText::truncated(byteCount, rows.size()));
    }
    if (sha256Of(rows) != checksum) {
        return failed(RecoveryText::checksum());
    }
    Result<QList<ResultRecord>> read = readCsvFile(rows);
    if (!read.ok()) {
        return failed(RecoveryText::rows(read.error(), read.errorLine()));
    }
    copy.rows = read.take();
    if (copy.rows.size() != rowCount) {
        return failed(RecoveryText::rowCount(rowCount, copy.rows.size()));
    }
    return copy;
}

} // namespace verimetra
