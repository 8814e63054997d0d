#include "session/ResultsModel.h"

#include "analysis/NumberText.h"

namespace verimetra {

ResultsModel::ResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const ResultRecord& row = m_rows.at(index.row());
    const auto column = static_cast<Column>(index.column());
    if (role == AreaRole && column == Column::Area) {
        return row.area;
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (column) {
    case Column::Number:
        return QString::number(index.row() + 1);
    case Column::Name:
        return row.name;
    case Column::Area:
        return formatForDisplay(row.area);
    }
    return {};
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount) {
        return {};
    }
    return m_headings[section];
}

void ResultsModel::setUpTable()
{
    m_headings[int(Column::Number)] = tr("No.");
    m_headings[int(Column::Name)] = tr("File name");
    m_headings[int(Column::Area)] = tr("Area");
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void ResultsModel::setUnit(const QString& unit)
{
    m_headings[int(Column::Area)] = tr("Area  (%1^2)").arg(unit);
    Q_EMIT headerDataChanged(Qt::Horizontal, int(Column::Area), int(Column::Area));
}

int ResultsModel::record(const QString& name, double area)
{
    const auto row = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    ResultRecord record;
    record.name = name;
    record.area = area;
    m_rows.append(record);
    endInsertRows();
    m_changed = true;
    return row + 1;
}

void ResultsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
    m_changed = false;
}

void ResultsModel::setRecords(const QList<ResultRecord>& records)
{
    beginResetModel();
    m_rows = records;
    endResetModel();
}

QList<ResultRecord> ResultsModel::records() const
{
    return m_rows;
}

bool ResultsModel::hasUnsavedRows() const
{
    return m_changed && !m_rows.isEmpty();
}

Outcome ResultsModel::save(const QString& path)
{
    const Outcome saved = saveDataFile(path, records());
    if (!saved.ok()) {
        return failed(tr("%1.\n\nThe results were not saved. An earlier file of that name "
                         "was left as it was.")
                          .arg(saved.error()));
    }
    m_changed = false;
    return Done{};
}

Outcome ResultsModel::importFile(const QString& path)
{
    const Result<QList<ResultRecord>> contents = loadDataFile(path);
    if (!contents.ok()) {
        return failed(
            tr("%1\n\nNothing was imported: the table is unchanged.").arg(contents.error()),
            contents.errorLine());
    }
    setRecords(contents.value());
    m_changed = false;
    return Done{};
}

} // namespace verimetra
