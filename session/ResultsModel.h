#pragma once

#include "core/Result.h"
#include "results/DataFile.h"

#include <QAbstractTableModel>
#include <QList>

namespace verimetra {

// The results table: its rows, the heading of each column (the area's names its
// unit), and whether rows changed since they were last saved or imported. The
// results window's grid shows it; recording, clearing, saving and importing act on it.
class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class Column
    {
        Number = 0,
        Name = 1,
        Area = 2,
        // A leaf's values; empty for the rows of whole pictures.
        Leaf = 3,
        HolesArea = 4,
        FilledArea = 5,
        HolesPercent = 6,
        Perimeter = 7,
        Length = 8,
        Width = 9,
        CentroidX = 10,
        CentroidY = 11,
        AtEdge = 12,
        Specks = 13,
        SpecksArea = 14
    };
    static constexpr int ColumnCount = 15;
    // The full area of a row, beside its text.
    static constexpr int AreaRole = Qt::UserRole + 1;

    explicit ResultsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The headings "No.", "File name", "Area", and no rows.
    void setUpTable();
    // Heads the area column with the square of `unit`.
    void setUnit(const QString& unit);
    // The unit the headings name; empty before setUnit().
    const QString& unit() const { return m_unit; }

    // Adds a row after the last one; gives its number.
    int record(const QString& name, double area);
    int record(const ResultRecord& row);
    // Adds the rows after the last one, in order; gives the number of the first.
    int recordAll(const QList<ResultRecord>& rows);
    // No rows; nothing left unsaved.
    void clear();
    // The rows of `records`, numbered 1 to n, in place of all rows.
    void setRecords(const QList<ResultRecord>& records);
    QList<ResultRecord> records() const;

    // Whether the table holds rows that changed since they were last saved or
    // imported; recording marks the table changed.
    bool hasUnsavedRows() const;
    void markChanged();

    // Writes the rows to a results file; an earlier file stays as it was on failure.
    Outcome save(const QString& path);
    // Reads a results file (classic or CSV) in place of all rows; on failure the table
    // is unchanged.
    Outcome importFile(const QString& path);
    // The rows, the unit of the headings and the unsaved flag of a table kept
    // elsewhere (a recovery copy), in place of all.
    void restore(const QList<ResultRecord>& rows, const QString& unit, bool unsaved);

    // Writes every row with all its values to a CSV file; an earlier file stays as it
    // was on failure.
    Outcome exportCsv(const QString& path);

Q_SIGNALS:
    // The rows, the headings or the unsaved flag changed: recorded, cleared,
    // imported, saved, exported, restored, or a unit named.
    void tableChanged();

private:
    void nameColumns(const QString& unit);
    void announceChange();

    QList<ResultRecord> m_rows; // the number of a row is its place, 1 for the first
    QString m_headings[ColumnCount];
    QString m_unit;
    bool m_changed = false;
    bool m_restoring = false;
};

} // namespace verimetra
