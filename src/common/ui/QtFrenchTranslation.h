#pragma once

#include <QTranslator>

#include <memory>

class QCoreApplication;

// Qt's own French texts for its standard buttons and dialogs ("Oui", "Non",
// "Annuler"), taken from the installed qtbase_fr catalogue. Removed again when
// this object goes away.
class QtFrenchTranslation final
{
public:
    QtFrenchTranslation();
    ~QtFrenchTranslation();
    Q_DISABLE_COPY_MOVE(QtFrenchTranslation)

    bool loaded() const { return m_loaded; }

private:
    std::unique_ptr<QTranslator> m_translator;
    bool m_loaded = false;
};
