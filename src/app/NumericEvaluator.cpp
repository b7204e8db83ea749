#include "app/NumericEvaluator.h"

#include <cmath>

namespace {

constexpr char kFin = '\r'; // what the reader sees past the end; no rule accepts it
constexpr int kPasses = 10;
constexpr double kSeuilDivision = 0.005;
constexpr double kPuissanceMax = 1e13;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool nearZero(double v)
{
    return v > -kSeuilDivision && v < kSeuilDivision;
}

} // namespace

NumericEvaluator::NumericEvaluator(QByteArray expression) : m_expr(std::move(expression)) {}

double NumericEvaluator::tabl(const QString &text)
{
    QByteArray bytes = text.toLatin1().trimmed();
    bytes = nettoie_formule(bytes);
    bytes.replace(',', '.');
    if (bytes.startsWith('.'))
        bytes.prepend('0');
    if (bytes.startsWith('-'))
        bytes.prepend('0');
    if (bytes.startsWith('+'))
        bytes.remove(0, 1);
    NumericEvaluator evaluator(bytes);
    return evaluator.interp();
}

QByteArray NumericEvaluator::nettoie_formule(QByteArray text)
{
    for (int i = 0; i < kPasses; ++i) {
        if (!text.isEmpty() && !isDigit(text.back()))
            text.chop(1);
    }
    for (int i = 0; i < kPasses; ++i) {
        if (!text.isEmpty())
            text.replace("++", "+");
    }
    if (text.isEmpty())
        text = "0";
    return text;
}

double NumericEvaluator::interp()
{
    m_pos = -1;
    carsuiv();
    const double value = addi();
    return m_erreur != 0 ? 0.0 : value;
}

void NumericEvaluator::carsuiv()
{
    do {
        ++m_pos;
    } while (m_pos < m_expr.size() && m_expr.at(m_pos) == ' ');
    m_car = m_pos < m_expr.size() ? m_expr.at(m_pos) : kFin;
}

char NumericEvaluator::ctrlcarsuiv() const
{
    qsizetype p = m_pos + 1;
    while (p < m_expr.size() && m_expr.at(p) == ' ')
        ++p;
    return p < m_expr.size() ? m_expr.at(p) : kFin;
}

double NumericEvaluator::addi()
{
    double value = mult();
    while (m_car == '+' || m_car == '-') {
        char op = m_car;
        const char suivant = ctrlcarsuiv();
        if (suivant == '-') {
            op = op == '+' ? '-' : '+';
            carsuiv();
        } else if (suivant == '+') {
            carsuiv();
        }
        carsuiv();
        const double terme = mult();
        value = op == '+' ? value + terme : value - terme;
    }
    return value;
}

double NumericEvaluator::mult()
{
    double value = puis();
    while (m_car == '*' || m_car == '/') {
        const char op = m_car;
        carsuiv();
        bool negatif = false;
        if (m_car == '+') {
            carsuiv();
        } else if (m_car == '-') {
            carsuiv();
            negatif = true;
        }
        double operande = puis();
        if (negatif)
            operande = -operande;
        if (op == '*') {
            value *= operande;
        } else {
            // Division by zero, or by anything below half a cent, yields 0.
            if (nearZero(value))
                value = 0;
            if (nearZero(operande))
                value = 0;
            if (value != 0)
                value /= operande;
        }
    }
    return value;
}

double NumericEvaluator::puis()
{
    double value = calc();
    while (m_car == '^') {
        carsuiv();
        const double exposant = calc();
        const double resultat = value > 0 ? std::exp(std::log(value) * exposant) : 0.0;
        value = value > 0 && resultat < kPuissanceMax ? resultat : 0.0;
    }
    return value;
}

double NumericEvaluator::calc()
{
    if (isDigit(m_car))
        return nombre();
    if (m_car == '(') {
        ++m_profondeur;
        carsuiv();
        const double value = addi();
        if (m_car == ')') {
            carsuiv();
            --m_profondeur;
        } else {
            m_erreur = m_pos + 1;
        }
        return value;
    }
    return 0.0;
}

double NumericEvaluator::nombre()
{
    // Spaces are skipped between the characters taken, but stay in the text handed
    // to the conversion, which then fails: «1 2» reads as nothing.
    const qsizetype debut = m_pos;
    qsizetype fin = m_pos;
    auto prendre = [&] {
        fin = m_pos;
        carsuiv();
    };
    while (isDigit(m_car))
        prendre();
    if (m_car == '.')
        prendre();
    while (isDigit(m_car))
        prendre();
    if (m_car == 'E' || m_car == 'e') {
        prendre();
        if (m_car != kFin)
            prendre();
        while (isDigit(m_car))
            prendre();
    }
    bool ok = false;
    const double value = m_expr.mid(debut, fin - debut + 1).toDouble(&ok);
    if (!ok) {
        m_erreur = debut + 1;
        return 0.0;
    }
    return value;
}
