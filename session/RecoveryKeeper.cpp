#include "session/RecoveryKeeper.h"

#include "results/DataFile.h"
#include "results/FileText.h"
#include "session/ResultsModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>

namespace verimetra {

Q_LOGGING_CATEGORY(lcRecovery, "verimetra.recovery", QtInfoMsg)

namespace {

// This run's copy is "table-<unique id>.recovery", locked by the same name and ".lock".
const QString CopyPrefix = QStringLiteral("table-");
const QString CopySuffix = QStringLiteral(".recovery");
const QString LockSuffix = QStringLiteral(".lock");

// A recovery copy is a results table and a few header lines: no larger than a
// results file can be.
constexpr qint64 MaxCopyBytes = MaxDataFileBytes + 64 * 1024;

Result<RecoveryCopy> readCopy(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(file.errorString());
    }
    const QByteArray bytes = file.read(MaxCopyBytes + 1);
    if (bytes.size() > MaxCopyBytes) {
        return failed(RecoveryKeeper::tr("it is larger than a results table can be"));
    }
    return readRecoveryFile(bytes);
}

} // namespace

RecoveryKeeper::RecoveryKeeper(ResultsModel& results, QString folder, QObject* parent)
    : QObject(parent), m_results(results), m_folder(std::move(folder)),
      m_path(QDir(m_folder).filePath(
          CopyPrefix + QUuid::createUuid().toString(QUuid::WithoutBraces) + CopySuffix))
{
}

// Ending without finish() is ending abnormally: the copy stays for the next run.
RecoveryKeeper::~RecoveryKeeper() = default;

QString RecoveryKeeper::defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("recovery"));
}

Outcome RecoveryKeeper::start()
{
    if (!QDir().mkpath(m_folder)) {
        return failed(tr("Cannot make the folder \"%1\" for the recovery copy of the results "
                         "table.")
                          .arg(QDir::toNativeSeparators(m_folder)));
    }
    m_lock = std::make_unique<QLockFile>(m_path + LockSuffix);
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return failed(tr("Cannot lock the recovery copy \"%1\" of the results table.")
                          .arg(QDir::toNativeSeparators(m_path)));
    }
    m_started = true;
    connect(&m_results, &ResultsModel::tableChanged, this, &RecoveryKeeper::write);
    write();
    return Done{};
}

void RecoveryKeeper::write()
{
    if (!m_started) {
        return;
    }
    Outcome written = Done{};
    if (!m_results.hasUnsavedRows()) {
        // Nothing to lose: no copy.
        if (QFile::exists(m_path) && !QFile::remove(m_path)) {
            written = failed(tr("Cannot remove the recovery copy \"%1\".")
                                 .arg(QDir::toNativeSeparators(m_path)));
        }
    } else {
        RecoveryCopy copy;
        copy.rows = m_results.records();
        copy.unit = m_results.unit();
        copy.unsaved = true;
        copy.written = QDateTime::currentDateTime();
        written = saveAtomically(m_path, writeRecoveryFile(copy));
    }
    if (!written.ok()) {
        qCWarning(lcRecovery) << written.error();
        if (!m_lastWriteFailed) {
            Q_EMIT writeFailed(written.error());
        }
    }
    m_lastWriteFailed = !written.ok();
}

void RecoveryKeeper::finish()
{
    if (m_started) {
        disconnect(&m_results, &ResultsModel::tableChanged, this, &RecoveryKeeper::write);
        QFile::remove(m_path);
        m_lock->unlock();
        m_lock.reset();
        m_started = false;
    }
    m_held.clear(); // unlocks them
}

QList<LeftOver> RecoveryKeeper::leftOvers()
{
    QList<LeftOver> found;
    const QDir folder(m_folder);
    const QFileInfoList files = folder.entryInfoList(
        {CopyPrefix + QStringLiteral("*") + CopySuffix}, QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo& file : files) {
        const QString path = file.absoluteFilePath();
        if (path == QFileInfo(m_path).absoluteFilePath() || m_held.count(path) > 0) {
            continue;
        }
        // A lock that can be taken belongs to no running program: its run ended
        // without removing the copy.
        auto lock = std::make_unique<QLockFile>(path + LockSuffix);
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0)) {
            continue;
        }
        LeftOver leftOver{path, readCopy(path)};
        if (leftOver.copy.ok() &&
            (!leftOver.copy.value().unsaved || leftOver.copy.value().rows.isEmpty())) {
            // Saved rows, or none: there is nothing to recover.
            QFile::remove(path);
            continue; // the lock goes with `lock`
        }
        m_held[path] = std::move(lock);
        found.append(leftOver);
    }
    return found;
}

Outcome RecoveryKeeper::restore(const LeftOver& leftOver)
{
    if (!leftOver.copy.ok()) {
        return failed(leftOver.copy.error());
    }
    const RecoveryCopy& copy = leftOver.copy.value();
    m_results.restore(copy.rows, copy.unit, true);
    if (!m_started || m_lastWriteFailed) {
        // The rows are only in memory: the old copy stays where it is.
        return failed(
            tr("The rows were restored, but the recovery copy \"%1\" could not be "
               "written: the old copy \"%2\" is kept.")
                .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(leftOver.path)));
    }
    QFile::remove(leftOver.path);
    letGo(leftOver.path);
    return Done{};
}

QString RecoveryKeeper::asideName(const LeftOver& leftOver, const QString& kind) const
{
    const QDateTime when = leftOver.copy.ok() ? leftOver.copy.value().written
                                              : QFileInfo(leftOver.path).lastModified();
    const QString stem = QStringLiteral("results-%1-%2")
                             .arg(kind, when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
    QString target = QDir(m_folder).filePath(stem + CopySuffix);
    for (int n = 2; QFile::exists(target); ++n) {
        target = QDir(m_folder).filePath(stem + QStringLiteral("-%1").arg(n) + CopySuffix);
    }
    return target;
}

Result<QString> RecoveryKeeper::keepAside(const LeftOver& leftOver, const QString& kind)
{
    const QString target = asideName(leftOver, kind);
    if (!QFile::rename(leftOver.path, target)) {
        return failed(tr("Cannot rename the recovery copy \"%1\".")
                          .arg(QDir::toNativeSeparators(leftOver.path)));
    }
    letGo(leftOver.path);
    return target;
}

void RecoveryKeeper::letGo(const QString& path)
{
    const auto held = m_held.find(path);
    if (held != m_held.end()) {
        held->second->unlock(); // removes the lock file
        m_held.erase(held);
    }
}

} // namespace verimetra
