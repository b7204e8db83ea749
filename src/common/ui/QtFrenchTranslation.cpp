#include "common/ui/QtFrenchTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

QtFrenchTranslation::QtFrenchTranslation() : m_translator(std::make_unique<QTranslator>())
{
    // Dates and numbers in the French way as well, whatever the machine's locale.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    m_loaded = m_translator->load(QStringLiteral("qtbase_fr"),
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (m_loaded)
        QCoreApplication::installTranslator(m_translator.get());
}

QtFrenchTranslation::~QtFrenchTranslation()
{
    if (m_loaded)
        QCoreApplication::removeTranslator(m_translator.get());
}
