#pragma once

#include <QWidget>

class QLineEdit;

// A date typed as dd/mm/yyyy, or left empty for no bound, with a calendar to pick
// it from. The text field carries the documented name.
class ChampDate final : public QWidget
{
    Q_OBJECT

public:
    ChampDate(const QString &ANom, QWidget *parent);

    QString text() const;
    void clear();
    QLineEdit *edit() const { return m_edit; }

private:
    void choisir();

    QLineEdit *m_edit;
};
