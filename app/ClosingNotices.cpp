#include "app/ClosingNotices.h"

#include <QMessageBox>

namespace verimetra {

ClosingNotices::ClosingNotices(QObject* parent) : QObject(parent) {}

ClosingNotices::~ClosingNotices()
{
    delete m_thanks;
    delete m_about;
}

QMessageBox* ClosingNotices::makeNotice(const QString& name, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Verimetra"), text,
                                QMessageBox::Ok);
    box->setObjectName(name);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

void ClosingNotices::start()
{
    if (m_thanks || m_about) {
        return;
    }
    m_thanks = makeNotice(QStringLiteral("noticeThanks"),
                          tr("Thank you for measuring with Verimetra.\n\n"
                             "Your results are kept only in the data files you saved."));
    connect(m_thanks, &QDialog::finished, this, &ClosingNotices::showAbout);
    m_thanks->show();
    m_thanks->raise();
}

void ClosingNotices::showAbout()
{
    m_about = makeNotice(QStringLiteral("noticeAbout"),
                         tr("Verimetra %1\n\n"
                            "Leaf area measurement from scanned or photographed images.\n\n"
                            "Released under the MIT licence.")
                             .arg(QStringLiteral(VERIMETRA_VERSION)));
    connect(m_about, &QDialog::finished, this, &ClosingNotices::ended);
    m_about->show();
    m_about->raise();
}

} // namespace verimetra
