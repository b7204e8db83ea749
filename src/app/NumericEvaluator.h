#pragma once

#include <QByteArray>
#include <QString>

// Tolerant evaluator of the number texts Bridge sends (amounts, balances): accepts
// a decimal comma, drops a trailing unit, evaluates + - * / ^ and parentheses, and
// returns 0 for anything it cannot read. Never fails.
class NumericEvaluator final
{
public:
    static double tabl(const QString &text);

private:
    explicit NumericEvaluator(QByteArray expression);

    static QByteArray nettoie_formule(QByteArray text);
    double interp();
    void carsuiv();
    char ctrlcarsuiv() const;
    double addi();
    double mult();
    double puis();
    double calc();
    double nombre();

    QByteArray m_expr;
    qsizetype m_pos = -1; // index of the current character; -1 before the first
    char m_car = '\r';
    qsizetype m_erreur = 0;
    int m_profondeur = 0;
};

// The name every caller uses.
inline double tabl(const QString &text)
{
    return NumericEvaluator::tabl(text);
}
