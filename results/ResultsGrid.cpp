#include "results/ResultsGrid.h"

#include "session/ResultsModel.h"
#include "widgets/FormBuilding.h"

#include <QHeaderView>

namespace verimetra {

namespace {
constexpr int ValueRole = Qt::UserRole + 1;
} // namespace

ResultsGrid::ResultsGrid(QWidget* parent) : QTableWidget(1, 3, parent)
{
    setObjectName(QStringLiteral("fxgrdData"));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setWordWrap(false);
    setFont(tableFont());
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_alignments = {Qt::Alignment(), Qt::Alignment(), Qt::Alignment()};
    setRows(1);
}

void ResultsGrid::showResults(const ResultsModel* results)
{
    m_results = results;
    // A leaf's values follow the number, the name and the area.
    setColumnCount(results->columnCount());
    m_alignments.resize(results->columnCount());
    connect(results, &QAbstractItemModel::headerDataChanged, this,
            [this](Qt::Orientation, int first, int last) { showHeadings(first, last); });
    connect(results, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { showRows(first, last); });
    connect(results, &QAbstractItemModel::modelReset, this, &ResultsGrid::showAllRows);
}

void ResultsGrid::showHeadings(int first, int last)
{
    setRow(0);
    for (int column = first; column <= last; ++column) {
        setCol(column);
        setText(m_results->headerData(column, Qt::Horizontal).toString());
    }
}

// Model row r is grid row r + 1, below the headings.
void ResultsGrid::showRows(int first, int last)
{
    setRows(m_results->rowCount() + 1);
    for (int r = first; r <= last; ++r) {
        setRow(r + 1);
        for (int column = 0; column < columnCount(); ++column) {
            setCol(column);
            const QModelIndex cell = m_results->index(r, column);
            setText(cell.data().toString());
            if (column == int(ResultsModel::Column::Area)) {
                setValue(cell.data(ResultsModel::AreaRole).toDouble());
            }
        }
    }
}

void ResultsGrid::showAllRows()
{
    setUpdatesEnabled(false);
    setRows(m_results->rowCount() + 1);
    if (m_results->rowCount() > 0) {
        showRows(0, m_results->rowCount() - 1);
    }
    setUpdatesEnabled(true);
}

void ResultsGrid::styleCell(QTableWidgetItem* item, int row, int column) const
{
    const bool heading = row == 0 || column == 0;
    if (heading) {
        item->setBackground(palette().brush(QPalette::Button));
        item->setForeground(palette().brush(QPalette::ButtonText));
        item->setFlags(Qt::ItemIsEnabled);
    } else {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    if (m_alignments.value(column)) {
        item->setTextAlignment(m_alignments.value(column));
    } else {
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
}

bool ResultsGrid::setRows(int rows)
{
    if (rows < 1) {
        return false;
    }
    const int before = rowCount();
    setRowCount(rows);
    // Heading cells exist from the start so that the heading column is drawn.
    for (int r = before; r < rows; ++r) {
        auto* item = new QTableWidgetItem;
        styleCell(item, r, 0);
        setItem(r, 0, item);
    }
    if (m_row >= rows) {
        m_row = rows - 1;
    }
    return true;
}

bool ResultsGrid::setRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        return false;
    }
    m_row = row;
    return true;
}

bool ResultsGrid::setCol(int column)
{
    if (column < 0 || column >= columnCount()) {
        return false;
    }
    m_col = column;
    return true;
}

QTableWidgetItem* ResultsGrid::currentItem()
{
    QTableWidgetItem* cell = item(m_row, m_col);
    if (!cell) {
        cell = new QTableWidgetItem;
        styleCell(cell, m_row, m_col);
        setItem(m_row, m_col, cell);
    }
    return cell;
}

QString ResultsGrid::text() const
{
    const QTableWidgetItem* cell = item(m_row, m_col);
    return cell ? cell->text() : QString();
}

void ResultsGrid::setText(const QString& text)
{
    currentItem()->setText(text);
}

double ResultsGrid::value() const
{
    const QTableWidgetItem* cell = item(m_row, m_col);
    return cell ? cell->data(ValueRole).toDouble() : 0.0;
}

void ResultsGrid::setValue(double value)
{
    currentItem()->setData(ValueRole, value);
}

void ResultsGrid::setColWidth(int column, int twips)
{
    setColumnWidth(column, fromTwips(twips));
}

void ResultsGrid::setColAlignment(int column, int code)
{
    if (column < 0 || column >= m_alignments.size()) {
        return;
    }
    m_alignments[column] =
        code == 2 ? Qt::Alignment(Qt::AlignLeft | Qt::AlignBottom) : Qt::Alignment();
    for (int r = 0; r < rowCount(); ++r) {
        if (QTableWidgetItem* cell = item(r, column)) {
            styleCell(cell, r, column);
        }
    }
}

} // namespace verimetra
