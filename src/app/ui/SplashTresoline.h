#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The start-up window shown while the data module is created and the user logs in.
class TSplashTresoline final : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashTresoline(QWidget *parent = nullptr);

    // Status text and progress (clamped to 0..100); repaints at once.
    void Etat(const QString &AMessage, int APourcentage);

    QString statusText() const;
    int progress() const;

private:
    QLabel *m_status = nullptr;
    QProgressBar *m_bar = nullptr;
};
