#include "results/DataWindow.h"

#include "results/ResultsGrid.h"
#include "session/ResultsModel.h"
#include "widgets/FormBuilding.h"
#include "widgets/MessageBoxes.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace verimetra {

namespace {
QPushButton* makeNamedButton(const char* name, const QString& caption, QWidget* parent)
{
    QPushButton* button = makeButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}
} // namespace

DataWindow::DataWindow(ResultsModel& results, QWidget* parent)
    : QWidget(parent, Qt::Window), m_results(results), m_grid(new ResultsGrid(this)),
      m_import(makeNamedButton("cmdImport", QStringLiteral("Import Data File"), this)),
      m_save(makeNamedButton("cmdSave", QStringLiteral("Save File"), this)),
      m_exportCsv(makeNamedButton("cmdExportCsv", QStringLiteral("Export CSV…"), this)),
      m_clear(makeNamedButton("cmdClear", QStringLiteral("Clear Data"), this)),
      m_hide(makeNamedButton("cmdHide", QStringLiteral("Back to Mainform"), this)),
      m_dialog(new QFileDialog(this))
{
    setObjectName(QStringLiteral("frmData"));
    setWindowTitle(QStringLiteral("Data Table"));
    setWindowIcon(QIcon(QStringLiteral(":/verimetra/icon-48.png")));
    setFont(tableFont());
    m_grid->showResults(&m_results);

    m_dialog->setObjectName(QStringLiteral("CommonDialog1"));
    // Qt's own dialog everywhere, so that it behaves the same on every desktop.
    m_dialog->setOption(QFileDialog::DontUseNativeDialog);
    m_dialog->setOption(QFileDialog::DontConfirmOverwrite);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 24, 16, 16);
    layout->addWidget(m_grid, 1);
    auto* buttons = new QHBoxLayout;
    m_exportCsv->setToolTip(tr("Writes every row with all its values and how it was measured, "
                               "for R, pandas or a spreadsheet"));
    for (QPushButton* button : {m_import, m_save, m_exportCsv, m_clear, m_hide}) {
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    resize(fromTwips(7440), fromTwips(4980));
    setTabOrder(m_grid, m_save);
    setTabOrder(m_save, m_hide);
    setTabOrder(m_hide, m_import);
    setTabOrder(m_import, m_clear);
    setTabOrder(m_clear, m_exportCsv);

    connect(m_save, &QPushButton::clicked, this, &DataWindow::cmdSave_Click);
    connect(m_exportCsv, &QPushButton::clicked, this, &DataWindow::cmdExportCsv_Click);
    connect(m_import, &QPushButton::clicked, this, &DataWindow::cmdImport_Click);
    connect(m_clear, &QPushButton::clicked, this, &DataWindow::cmdClear_Click);
    connect(m_hide, &QPushButton::clicked, this, &DataWindow::cmdHide_Click);
}

void DataWindow::SetUpResultsTable()
{
    m_grid->setColWidth(0, 800);
    m_grid->setColWidth(1, 3000);
    m_grid->setColWidth(2, 3000);
    // A leaf's values, beside the whole picture's columns.
    m_grid->setColWidth(3, 800);
    for (int column = 4; column < m_grid->columnCount(); ++column) {
        m_grid->setColWidth(column, 2200);
    }
    m_grid->setColAlignment(2, 2);
    m_grid->setColAlignment(0, 2);
    m_results.setUpTable();
}

QList<ResultRecord> DataWindow::records() const
{
    return m_results.records();
}

QString DataWindow::askFileName(FileUse use)
{
    const bool forSaving = use != FileUse::Import;
    switch (use) {
    case FileUse::Save:
        m_dialog->setNameFilter(QStringLiteral("text(*.txt)"));
        m_dialog->setDefaultSuffix(QString());
        break;
    case FileUse::Import:
        // A CSV file made by "Export CSV…", and a recovery copy kept aside, can be
        // imported too.
        m_dialog->setNameFilters({QStringLiteral("text(*.txt)"), QStringLiteral("CSV (*.csv)"),
                                  QStringLiteral("Recovery copies (*.recovery)")});
        m_dialog->setDefaultSuffix(QString());
        break;
    case FileUse::ExportCsv:
        m_dialog->setNameFilter(QStringLiteral("CSV (*.csv)"));
        m_dialog->setDefaultSuffix(QStringLiteral("csv"));
        break;
    }
    m_dialog->setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    m_dialog->setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (m_dialog->exec() != QDialog::Accepted) {
        return {};
    }
    const QStringList chosen = m_dialog->selectedFiles();
    if (chosen.isEmpty()) {
        return {};
    }
    // The shared dialog offers the name chosen last at its next use.
    m_dialog->selectFile(chosen.first());
    return chosen.first();
}

void DataWindow::cmdSave_Click()
{
    const QString path = askFileName(FileUse::Save);
    if (path.isEmpty()) {
        return;
    }
    if (const Outcome saved = m_results.save(path); !saved.ok()) {
        showProblem(this, saved.error());
    }
}

void DataWindow::cmdExportCsv_Click()
{
    const QString path = askFileName(FileUse::ExportCsv);
    if (path.isEmpty()) {
        return;
    }
    if (const Outcome written = m_results.exportCsv(path); !written.ok()) {
        showProblem(this, written.error());
    }
}

void DataWindow::cmdImport_Click()
{
    const QString path = askFileName(FileUse::Import);
    if (path.isEmpty()) {
        return;
    }
    if (const Outcome imported = m_results.importFile(path); !imported.ok()) {
        showProblem(this, imported.error());
    }
}

void DataWindow::cmdClear_Click()
{
    m_results.clear();
}

void DataWindow::cmdHide_Click()
{
    hide();
}

void DataWindow::closeEvent(QCloseEvent* event)
{
    // The table lives as long as the program: its close button hides it.
    event->ignore();
    hide();
}

} // namespace verimetra
