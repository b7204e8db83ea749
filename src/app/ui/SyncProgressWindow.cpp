#include "app/ui/SyncProgressWindow.h"

#include "common/ui/WindowStyle.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

SyncProgressWindow::SyncProgressWindow(QWidget *owner)
    : QFrame(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FFenSync"));
    setWindowTitle(QStringLiteral("Synchronisation bancaire en cours"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAutoFillBackground(true);
    setAttribute(Qt::WA_DeleteOnClose);

    m_label = new QLabel(QStringLiteral("Initialisation..."), this);
    m_label->setObjectName(QStringLiteral("FLblSyncEtape"));
    m_label->setWordWrap(true);
    m_label->setMinimumWidth(300);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("FBarSync"));
    m_bar->setRange(0, 0); // marquee
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(22);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 18);
    layout->setSpacing(10);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_bar);

    resize(420, 120);
    WindowStyle::centreOn(this, owner);
}

void SyncProgressWindow::setStep(const QString &AEtape)
{
    m_label->setText(AEtape);
}

QString SyncProgressWindow::step() const
{
    return m_label->text();
}
