#include "session/ResultsModel.h"

#include "analysis/NumberText.h"
#include "results/CsvFile.h"

namespace verimetra {

namespace {
// A leaf's values are shown to four decimals, as the area after a measurement; the
// row keeps them in full, and the CSV export writes them so.
QString shortly(double value)
{
    return formatForDisplay(roundToFourDecimals(value));
}
} // namespace

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
    default:
        break;
    }
    if (!row.isLeaf()) {
        return QString();
    }
    const LeafValues& leaf = row.leaf;
    switch (column) {
    case Column::Leaf:
        return QString::number(leaf.leaf);
    case Column::HolesArea:
        return shortly(leaf.holesArea);
    case Column::FilledArea:
        return shortly(leaf.filledArea);
    case Column::HolesPercent:
        return shortly(leaf.holesPercent);
    case Column::Perimeter:
        return shortly(leaf.perimeter);
    case Column::Length:
        return shortly(leaf.length);
    case Column::Width:
        return shortly(leaf.width);
    case Column::CentroidX:
        return shortly(leaf.centroidX);
    case Column::CentroidY:
        return shortly(leaf.centroidY);
    case Column::AtEdge:
        return leaf.touchesEdge ? tr("yes") : tr("no");
    case Column::Specks:
        return QString::number(leaf.specks);
    case Column::SpecksArea:
        return shortly(leaf.specksArea);
    default:
        break;
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
    m_unit.clear();
    nameColumns(QString());
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    beginResetModel();
    m_rows.clear();
    endResetModel();
    announceChange();
}

void ResultsModel::setUnit(const QString& unit)
{
    m_headings[int(Column::Area)] = tr("Area  (%1^2)").arg(unit);
    m_unit = unit;
    nameColumns(unit);
    Q_EMIT headerDataChanged(Qt::Horizontal, int(Column::Area), ColumnCount - 1);
    announceChange();
}

// The headings of a leaf's values, with the unit once it is known.
void ResultsModel::nameColumns(const QString& unit)
{
    const QString length = unit.isEmpty() ? QString() : tr("  (%1)").arg(unit);
    const QString area = unit.isEmpty() ? QString() : tr("  (%1^2)").arg(unit);
    m_headings[int(Column::Leaf)] = tr("Leaf");
    m_headings[int(Column::HolesArea)] = tr("Holes area") + area;
    m_headings[int(Column::FilledArea)] = tr("Filled area") + area;
    m_headings[int(Column::HolesPercent)] = tr("Holes %");
    m_headings[int(Column::Perimeter)] = tr("Perimeter") + length;
    m_headings[int(Column::Length)] = tr("Length") + length;
    m_headings[int(Column::Width)] = tr("Width") + length;
    m_headings[int(Column::CentroidX)] = tr("Centroid x") + length;
    m_headings[int(Column::CentroidY)] = tr("Centroid y") + length;
    m_headings[int(Column::AtEdge)] = tr("At the edge");
    m_headings[int(Column::Specks)] = tr("Specks left out");
    m_headings[int(Column::SpecksArea)] = tr("Specks area") + area;
}

int ResultsModel::record(const QString& name, double area)
{
    return record(ResultRecord(name, area));
}

int ResultsModel::record(const ResultRecord& row)
{
    return recordAll({row});
}

int ResultsModel::recordAll(const QList<ResultRecord>& rows)
{
    const auto first = static_cast<int>(m_rows.size());
    if (rows.isEmpty()) {
        return first + 1;
    }
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
    m_changed = true;
    announceChange();
    return first + 1;
}

void ResultsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
    m_changed = false;
    announceChange();
}

void ResultsModel::setRecords(const QList<ResultRecord>& records)
{
    beginResetModel();
    m_rows = records;
    endResetModel();
    announceChange();
}

void ResultsModel::restore(const QList<ResultRecord>& rows, const QString& unit, bool unsaved)
{
    // One change, announced once it is whole.
    m_restoring = true;
    if (unit.isEmpty()) {
        setUpTable();
    } else {
        setUnit(unit);
    }
    setRecords(rows);
    m_changed = unsaved;
    m_restoring = false;
    announceChange();
}

void ResultsModel::markChanged()
{
    m_changed = true;
    announceChange();
}

void ResultsModel::announceChange()
{
    if (!m_restoring) {
        Q_EMIT tableChanged();
    }
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
    announceChange();
    return Done{};
}

Outcome ResultsModel::exportCsv(const QString& path)
{
    const Outcome written = exportCsvFile(path, m_rows);
    if (!written.ok()) {
        return failed(tr("%1.\n\nThe CSV file was not written. An earlier file of that name "
                         "was left as it was.")
                          .arg(written.error()));
    }
    // The CSV file keeps every row whole: nothing is left unsaved.
    m_changed = false;
    announceChange();
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
    m_changed = false;
    setRecords(contents.value());
    return Done{};
}

} // namespace verimetra
