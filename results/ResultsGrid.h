#pragma once

#include <QTableWidget>

namespace verimetra {

class ResultsModel;

// The results grid: a rectangle of text cells, row 0 and column 0 drawn as
// headings, one current cell through which texts are read and written. Cell
// (row, column) here is cell (row, column) of the widget. Each area cell also
// keeps the full value of its area beside its text.
class ResultsGrid : public QTableWidget
{
    Q_OBJECT

public:
    explicit ResultsGrid(QWidget* parent = nullptr);

    // Shows `results` from now on: row 0 its headings, rows 1 to n its rows.
    void showResults(const ResultsModel* results);

    // Exactly n rows (n >= 1): rows below n keep their texts, new rows are empty.
    bool setRows(int rows);
    int rows() const { return rowCount(); }

    // Makes a row or column current; false (and nothing changes) when it does not exist.
    bool setRow(int row);
    bool setCol(int column);
    int row() const { return m_row; }
    int col() const { return m_col; }

    QString text() const;
    void setText(const QString& text);

    // The full value kept with the current cell (the area of a data row).
    double value() const;
    void setValue(double value);

    void setColWidth(int column, int twips);
    // Code 2 places the text at the left and the bottom of each cell of the column.
    void setColAlignment(int column, int code);

private:
    void showHeadings(int first, int last);
    void showRows(int first, int last);
    void showAllRows();

    QTableWidgetItem* currentItem();
    void styleCell(QTableWidgetItem* item, int row, int column) const;

    int m_row = 0;
    int m_col = 0;
    QList<Qt::Alignment> m_alignments;
    const ResultsModel* m_results = nullptr;
};

} // namespace verimetra
