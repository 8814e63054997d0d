#pragma once

#include <QObject>
#include <QPointer>

class QMessageBox;
class QWidget;

namespace verimetra {

// The two notices shown when the user quits: a thank-you, then an about notice.
// Dismissing the second emits ended(), which ends the program.
class ClosingNotices : public QObject
{
    Q_OBJECT

public:
    explicit ClosingNotices(QObject* parent = nullptr);
    ~ClosingNotices() override;

    // Shows the first notice, modeless.
    void start();

Q_SIGNALS:
    void ended();

private:
    QMessageBox* makeNotice(const QString& name, const QString& text);
    void showAbout();

    QPointer<QMessageBox> m_thanks;
    QPointer<QMessageBox> m_about;
};

} // namespace verimetra
