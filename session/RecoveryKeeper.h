#pragma once

#include "core/Result.h"
#include "results/RecoveryFile.h"

#include <QLockFile>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

namespace verimetra {

class ResultsModel;

// A recovery copy left by a run of the program that did not end normally.
struct LeftOver
{
    QString path;
    Result<RecoveryCopy> copy; // or why it is damaged
};

// Keeps the results table safe from a crash, a kill or a power cut: every change
// of the table is written whole, atomically, to this run's recovery copy, which
// its lock file marks as this run's. A normal end removes both; so does a table
// with no unsaved rows. At start-up the copies of runs that are no longer running
// are offered back.
class RecoveryKeeper : public QObject
{
    Q_OBJECT

public:
    // Keeps the copies of `results` in `folder`.
    RecoveryKeeper(ResultsModel& results, QString folder, QObject* parent = nullptr);
    ~RecoveryKeeper() override;

    // The user's data folder for the program's recovery copies.
    static QString defaultFolder();
    // This run's copy.
    const QString& path() const { return m_path; }

    // From now on every change of the table is written to this run's copy.
    Outcome start();
    // A normal end: this run's copy and its lock go, and the left-overs it held are
    // let go.
    void finish();

    // The copies left by runs that are no longer running and that hold unsaved rows
    // or are damaged, oldest first. A copy whose program still runs is never among
    // them. Each stays held by this run until it is restored or kept aside.
    QList<LeftOver> leftOvers();
    // The rows of `leftOver` in place of the table's, still unsaved; its file goes
    // once this run's copy holds them.
    Outcome restore(const LeftOver& leftOver);
    // Renames the file of `leftOver` with its date so that it is not offered again;
    // gives its new path. `kind` starts the new name ("kept", "damaged").
    Result<QString> keepAside(const LeftOver& leftOver, const QString& kind);
    // The path keepAside() would give `leftOver` now.
    QString asideName(const LeftOver& leftOver, const QString& kind) const;

Q_SIGNALS:
    // This run's copy could not be written (said once until a write succeeds again).
    void writeFailed(const QString& reason);

private:
    void write();
    void letGo(const QString& path);

    ResultsModel& m_results;
    QString m_folder;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    std::map<QString, std::unique_ptr<QLockFile>> m_held; // left-overs, by path
    bool m_started = false;
    bool m_lastWriteFailed = false;
};

} // namespace verimetra
