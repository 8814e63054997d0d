#pragma once

#include "results/DataFile.h"

#include <QWidget>

class QFileDialog;
class QPushButton;

namespace verimetra {

class ResultsGrid;
class ResultsModel;

// The results table window "Data Table": the grid and its four buttons. It exists,
// shown or hidden, for the whole run; closing it only hides it.
class DataWindow : public QWidget
{
    Q_OBJECT

public:
    // The window shows `results` and acts on it.
    explicit DataWindow(ResultsModel& results, QWidget* parent = nullptr);

    ResultsGrid* grid() const { return m_grid; }

    // Lays out the headings "No.", "File name", "Area" and empties the table.
    void SetUpResultsTable();

    // The rows of the table, in order, with their full areas.
    QList<ResultRecord> records() const;

private:
    void cmdSave_Click();
    void cmdExportCsv_Click();
    void cmdImport_Click();
    void cmdClear_Click();
    void cmdHide_Click();

    // What the shared file dialog is shown for.
    enum class FileUse
    {
        Save,
        Import,
        ExportCsv
    };
    // Shows the shared file dialog; the chosen path, or empty when cancelled.
    QString askFileName(FileUse use);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ResultsModel& m_results;
    ResultsGrid* m_grid;
    QPushButton* m_import;
    QPushButton* m_save;
    QPushButton* m_exportCsv;
    QPushButton* m_clear;
    QPushButton* m_hide;
    QFileDialog* m_dialog;
};

} // namespace verimetra
