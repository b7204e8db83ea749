#include "company/ui/LienBridgeVueFenetre.h"

#include "company/ui/FormBridgeProprietaires.h"

#include <QPlainTextEdit>

LienBridgeVueFenetre::LienBridgeVueFenetre(DataModule &dm, Elements AElements)
    : m_dm(dm), m_elements(std::move(AElements))
{
}

void LienBridgeVueFenetre::viderTraces()
{
    if (m_elements.memo1)
        m_elements.memo1->clear();
    if (m_elements.memo2)
        m_elements.memo2->clear();
}

void LienBridgeVueFenetre::tracer(const QString &ALigne)
{
    if (m_elements.memo1)
        m_elements.memo1->appendPlainText(ALigne);
}

void LienBridgeVueFenetre::afficherJson(const QString &AJson)
{
    if (m_elements.memo2)
        m_elements.memo2->setPlainText(AJson);
}

QString LienBridgeVueFenetre::tokenBridge() const
{
    return m_elements.token ? m_elements.token() : QString();
}

CompteSelectionne LienBridgeVueFenetre::compteSelectionne() const
{
    return m_elements.compte ? m_elements.compte() : CompteSelectionne();
}

bool LienBridgeVueFenetre::selectionnerProprietaire(const QString &ADefaultNom, const QString &ADefaultEmail,
                                                    Proprietaire &AChoix)
{
    return TFormBridgeProprietaires::SelectionnerProprietaire(m_elements.fenetre, m_dm, ADefaultNom, ADefaultEmail,
                                                              AChoix);
}

void LienBridgeVueFenetre::suspendreInactivite()
{
    if (m_elements.suspendreInactivite)
        m_elements.suspendreInactivite();
}

void LienBridgeVueFenetre::reprendreInactivite()
{
    if (m_elements.reprendreInactivite)
        m_elements.reprendreInactivite();
}
