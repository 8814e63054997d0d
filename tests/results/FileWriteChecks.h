#pragma once

// What the results files' tests share: reading and writing fixture files, and the
// check that a write that fails keeps every file as it was.

#include "core/Result.h"
#include "results/ResultRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace filechecks {

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "(cannot open)";
    }
    return file.readAll();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The places a write of a file named "...`suffix`" fails, relative to a fresh folder.
inline void addWriteFailureRows(const QString& suffix)
{
    QTest::addColumn<QString>("target");
    QTest::newRow("a folder of that name") << QStringLiteral("folder");
    QTest::newRow("missing folder") << QStringLiteral("missing/results") + suffix;
    QTest::newRow("a file below a file")
        << QStringLiteral("kept") + suffix + QStringLiteral("/results") + suffix;
    // A name of the longest length a folder entry may have leaves no room for a
    // temporary file beside it: the write fails, and the file is there to be kept.
    QTest::newRow("existing file, no temporary file possible") << QString(255, u'n');
}

using Records = QList<verimetra::ResultRecord>;
using Writer = std::function<verimetra::Outcome(const QString&, const Records&)>;
using Bytes = std::function<QByteArray(const Records&)>;

// Writing to `target` fails with a reason that names it; the file written before
// beside it, and an earlier file of its name, are as they were; no temporary file
// is left behind.
inline void checkFailedWriteKeepsFiles(const QString& target, const QString& suffix,
                                       const Writer& write, const Bytes& bytesOf)
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const QString kept = dir.filePath(QStringLiteral("kept") + suffix);
    const Records oldRecords{{QStringLiteral("old"), 1}};
    QVERIFY(write(kept, oldRecords).ok());
    const QString path = dir.filePath(target);
    const bool targetExisted = QFileInfo(path).isFile() || writeFile(path, "older\r\n");
    if (target.size() == 255 && !targetExisted) {
        QSKIP("this file system takes no names of 255 characters");
    }

    const verimetra::Outcome written = write(path, {{QStringLiteral("new"), 2}});
    QVERIFY(!written.ok());
    QVERIFY2(written.error().contains(QDir::toNativeSeparators(path)), qPrintable(written.error()));

    QCOMPARE(readFile(kept), bytesOf(oldRecords));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
    if (targetExisted) {
        QCOMPARE(readFile(path), QByteArray("older\r\n"));
    }
    QCOMPARE(
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
        targetExisted ? 3 : 2);
}

} // namespace filechecks
