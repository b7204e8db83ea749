#pragma once

#include <QFile>
#include <QString>

// An export file just written, waiting for its marking: removed again unless the
// marking went through, so no file is delivered for lines the database still
// counts as never exported (the next export would deliver them a second time).
class FichierLivre final
{
public:
    explicit FichierLivre(QString chemin) : m_chemin(std::move(chemin)) {}
    ~FichierLivre()
    {
        if (!m_garde)
            QFile::remove(m_chemin);
    }
    FichierLivre(const FichierLivre &) = delete;
    FichierLivre &operator=(const FichierLivre &) = delete;

    void garder() { m_garde = true; }

private:
    QString m_chemin;
    bool m_garde = false;
};
