#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;

// The small borderless window that shows the steps of a synchronisation over the
// main window. It stays on top of its owner, so it is closed before any message box.
class SyncProgressWindow final : public QFrame
{
    Q_OBJECT

public:
    explicit SyncProgressWindow(QWidget *owner);

    void setStep(const QString &AEtape);
    QString step() const;

private:
    QLabel *m_label = nullptr;
    QProgressBar *m_bar = nullptr;
};
