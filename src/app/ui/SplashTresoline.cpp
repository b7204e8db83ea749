#include "app/ui/SplashTresoline.h"

#include "common/ui/WindowStyle.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

TSplashTresoline::TSplashTresoline(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    // Not a splash-screen window: those stay above everything, and the login
    // dialog opened during the start must come up in front of it.
    setObjectName(QStringLiteral("TSplashTresoline"));
    setFont(WindowStyle::font(10));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, QColor(64, 64, 64));
    setPalette(pal);
    resize(520, 280);

    auto *name = new QLabel(QStringLiteral("Tresoline"), this);
    name->setObjectName(QStringLiteral("LabelProduit"));
    QFont nameFont = WindowStyle::font();
    nameFont.setPixelSize(32);
    nameFont.setWeight(QFont::DemiBold);
    name->setFont(nameFont);

    auto *subtitle = new QLabel(QStringLiteral("Connexion bancaire securisee et synchronisation"), this);
    subtitle->setObjectName(QStringLiteral("LabelSousTitre"));
    subtitle->setWordWrap(true);

    m_status = new QLabel(QStringLiteral("Chargement en cours..."), this);
    m_status->setObjectName(QStringLiteral("LabelEtat"));
    m_status->setWordWrap(true);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("BarreProgression"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(12);
    m_bar->setMinimumWidth(440);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 36);
    layout->addWidget(name);
    layout->addWidget(subtitle);
    layout->addStretch(1);
    layout->addWidget(m_status);
    layout->addSpacing(8);
    layout->addWidget(m_bar);

    WindowStyle::centreOn(this, nullptr);
}

void TSplashTresoline::Etat(const QString &AMessage, int APourcentage)
{
    m_status->setText(AMessage);
    m_bar->setValue(std::clamp(APourcentage, 0, 100));
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString TSplashTresoline::statusText() const
{
    return m_status->text();
}

int TSplashTresoline::progress() const
{
    return m_bar->value();
}
