#pragma once

#include "results/DataFile.h"

#include <QWidget>

class QFileDialog;
class QPushButton;

namespace verimetra {

struct SharedState;
class ResultsGrid;

// The results table window "Data Table": the grid and its four buttons. It exists,
// shown or hidden, for the whole run; closing it only hides it.
class DataWindow : public QWidget
{
    Q_OBJECT

public:
    explicit DataWindow(SharedState& state, QWidget* parent = nullptr);

    ResultsGrid* grid() const { return m_grid; }

    // Lays out the headings "No.", "File name", "Area" and empties the table.
    void SetUpResultsTable();

    // The rows of the table, in order, with their full areas.
    QList<ResultRecord> records() const;

    // Whether the table holds rows that changed since they were last saved or
    // imported; recording calls markChanged().
    bool hasUnsavedRows() const;
    void markChanged() { m_changed = true; }

    // Writes the grid's rows 1..n from `records`, numbered 1 to n.
    void showRecords(const QList<ResultRecord>& records);

private:
    void cmdSave_Click();
    void cmdImport_Click();
    void cmdClear_Click();
    void cmdHide_Click();

    // Shows the shared file dialog; the chosen path, or empty when cancelled.
    QString askFileName(bool forSaving);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    SharedState& m_state;
    ResultsGrid* m_grid;
    QPushButton* m_import;
    QPushButton* m_save;
    QPushButton* m_clear;
    QPushButton* m_hide;
    QFileDialog* m_dialog;
    bool m_changed = false;
};

} // namespace verimetra
