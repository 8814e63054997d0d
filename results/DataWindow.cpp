#include "results/DataWindow.h"

#include "analysis/NumberText.h"
#include "app/MessageBoxes.h"
#include "app/SharedState.h"
#include "results/ResultsGrid.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace verimetra {

namespace {
QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}
} // namespace

DataWindow::DataWindow(SharedState& state, QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state), m_grid(new ResultsGrid(this)),
      m_import(makeButton(QStringLiteral("cmdImport"), QStringLiteral("Import Data File"), this)),
      m_save(makeButton(QStringLiteral("cmdSave"), QStringLiteral("Save File"), this)),
      m_clear(makeButton(QStringLiteral("cmdClear"), QStringLiteral("Clear Data"), this)),
      m_hide(makeButton(QStringLiteral("cmdHide"), QStringLiteral("Back to Mainform"), this)),
      m_dialog(new QFileDialog(this))
{
    setObjectName(QStringLiteral("frmData"));
    setWindowTitle(QStringLiteral("Data Table"));
    setWindowIcon(QIcon(QStringLiteral(":/verimetra/icon-48.png")));
    QFont windowFont(QStringLiteral("Times New Roman"));
    windowFont.setPointSizeF(12);
    setFont(windowFont);

    m_dialog->setObjectName(QStringLiteral("CommonDialog1"));
    // Qt's own dialog everywhere, so that it behaves the same on every desktop.
    m_dialog->setOption(QFileDialog::DontUseNativeDialog);
    m_dialog->setOption(QFileDialog::DontConfirmOverwrite);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 24, 16, 16);
    layout->addWidget(m_grid, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_import, m_save, m_clear, m_hide}) {
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    resize(7440 / 15, 4980 / 15);
    setTabOrder(m_grid, m_save);
    setTabOrder(m_save, m_hide);
    setTabOrder(m_hide, m_import);
    setTabOrder(m_import, m_clear);

    connect(m_save, &QPushButton::clicked, this, &DataWindow::cmdSave_Click);
    connect(m_import, &QPushButton::clicked, this, &DataWindow::cmdImport_Click);
    connect(m_clear, &QPushButton::clicked, this, &DataWindow::cmdClear_Click);
    connect(m_hide, &QPushButton::clicked, this, &DataWindow::cmdHide_Click);
}

void DataWindow::SetUpResultsTable()
{
    m_grid->setColWidth(0, 800);
    m_grid->setColWidth(1, 3000);
    m_grid->setColWidth(2, 3000);
    m_grid->setColAlignment(2, 2);
    m_grid->setColAlignment(0, 2);
    m_grid->setRow(0);
    m_grid->setCol(0);
    m_grid->setText(QStringLiteral("No."));
    m_grid->setCol(1);
    m_grid->setText(QStringLiteral("File name"));
    m_grid->setCol(2);
    m_grid->setText(QStringLiteral("Area"));
    m_state.rowCount = 0;
}

QList<ResultRecord> DataWindow::records() const
{
    QList<ResultRecord> rows;
    rows.reserve(m_state.rowCount);
    for (int k = 1; k <= m_state.rowCount && k < m_grid->rows(); ++k) {
        m_grid->setRow(k);
        m_grid->setCol(1);
        ResultRecord record;
        record.name = m_grid->text();
        m_grid->setCol(2);
        record.area = m_grid->value();
        rows.append(record);
    }
    return rows;
}

bool DataWindow::hasUnsavedRows() const
{
    return m_changed && m_state.rowCount > 0;
}

void DataWindow::showRecords(const QList<ResultRecord>& records)
{
    const auto n = static_cast<int>(records.size());
    m_grid->setUpdatesEnabled(false);
    m_grid->setRows(n + 1);
    for (int k = 1; k <= n; ++k) {
        const ResultRecord& record = records[k - 1];
        m_grid->setRow(k);
        m_grid->setCol(0);
        m_grid->setText(QString::number(k));
        m_grid->setCol(1);
        m_grid->setText(record.name);
        m_grid->setCol(2);
        m_grid->setText(formatForDisplay(record.area));
        m_grid->setValue(record.area);
    }
    m_grid->setUpdatesEnabled(true);
    m_state.rowCount = n;
}

QString DataWindow::askFileName(bool forSaving)
{
    m_dialog->setNameFilter(QStringLiteral("text(*.txt)"));
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
    const QString path = askFileName(true);
    if (path.isEmpty()) {
        return;
    }
    const Outcome saved = saveDataFile(path, records());
    if (!saved.ok()) {
        showProblem(this, tr("%1.\n\nThe results were not saved. An earlier file of that name "
                             "was left as it was.")
                              .arg(saved.error()));
        return;
    }
    m_changed = false;
}

void DataWindow::cmdImport_Click()
{
    const QString path = askFileName(false);
    if (path.isEmpty()) {
        return;
    }
    const Result<QList<ResultRecord>> contents = loadDataFile(path);
    if (!contents.ok()) {
        showProblem(
            this, tr("%1\n\nNothing was imported: the table is unchanged.").arg(contents.error()));
        return;
    }
    showRecords(contents.value());
    m_changed = false;
}

void DataWindow::cmdClear_Click()
{
    m_state.rowCount = 0;
    m_grid->setRows(1);
    m_changed = false;
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
