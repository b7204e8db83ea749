#pragma once

#include "company/LienBridgeVue.h"

#include <functional>

class DataModule;
class QPlainTextEdit;
class QWidget;

// The main window's side of "Ajouter cpte bancaire": its two trace panes, its token
// field, its selected account and its inactivity timer, with the owners window for
// the choice of the owner. The main window builds one for each click and hands it
// to CreationLienBridge::Button3Click.
class LienBridgeVueFenetre final : public LienBridgeVue
{
public:
    struct Elements
    {
        QWidget *fenetre = nullptr;         // owner of the owners window
        QPlainTextEdit *memo1 = nullptr;    // trace lines
        QPlainTextEdit *memo2 = nullptr;    // Bridge's answer, indented
        std::function<QString()> token;     // the token field's text
        std::function<CompteSelectionne()> compte;
        std::function<void()> suspendreInactivite;
        std::function<void()> reprendreInactivite;
    };

    LienBridgeVueFenetre(DataModule &dm, Elements AElements);

    void viderTraces() override;
    void tracer(const QString &ALigne) override;
    void afficherJson(const QString &AJson) override;
    QString tokenBridge() const override;
    CompteSelectionne compteSelectionne() const override;
    bool selectionnerProprietaire(const QString &ADefaultNom, const QString &ADefaultEmail,
                                  Proprietaire &AChoix) override;
    void suspendreInactivite() override;
    void reprendreInactivite() override;

private:
    DataModule &m_dm;
    Elements m_elements;
};
