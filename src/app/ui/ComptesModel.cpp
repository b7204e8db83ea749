#include "app/ui/ComptesModel.h"

#include <QColor>
#include <QLocale>
#include <QRegularExpression>

ComptesModel::ComptesModel(QObject *parent) : QAbstractTableModel(parent) {}

void ComptesModel::charger(const QStringList &champs, std::vector<std::vector<QVariant>> lignes, const QDate &today,
                           const NomBanque &nomBanque)
{
    beginResetModel();
    m_champs = champs;
    m_titres = champs;
    m_lignes = std::move(lignes);
    m_colBanque = colonne(QStringLiteral("nom_banque"));
    const int colFin = colonne(QStringLiteral("date_fin_consentement"));
    m_banques.assign(m_lignes.size(), QString());
    m_etats.assign(m_lignes.size(), Consentement::Aucun);
    for (size_t r = 0; r < m_lignes.size(); ++r) {
        if (m_colBanque >= 0) {
            const QString stocke = m_lignes[r][static_cast<size_t>(m_colBanque)].toString();
            m_banques[r] = nomBanque ? nomBanque(stocke) : stocke;
        }
        if (colFin >= 0)
            m_etats[r] = etatConsentement(m_lignes[r][static_cast<size_t>(colFin)], today);
    }
    endResetModel();
}

void ComptesModel::vider()
{
    charger({}, {}, {}, {});
}

int ComptesModel::colonne(const QString &champ) const
{
    for (int i = 0; i < m_champs.size(); ++i)
        if (m_champs.at(i).compare(champ.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant ComptesModel::valeur(int row, const QString &champ) const
{
    const int col = colonne(champ);
    if (row < 0 || row >= rowCount() || col < 0)
        return {};
    return m_lignes[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

ComptesModel::Consentement ComptesModel::consentement(int row) const
{
    if (row < 0 || row >= rowCount())
        return Consentement::Aucun;
    return m_etats[static_cast<size_t>(row)];
}

QDate ComptesModel::lireDate(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().date();
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return {};
    QDate date = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    return date;
}

ComptesModel::Consentement ComptesModel::etatConsentement(const QVariant &value, const QDate &today)
{
    const QDate fin = lireDate(value);
    if (!fin.isValid() || !today.isValid())
        return Consentement::Aucun;
    if (fin < today)
        return Consentement::Rouge;
    if (fin <= today.addDays(kJoursAlerte))
        return Consentement::Orange;
    return Consentement::Aucun;
}

int ComptesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lignes.size());
}

int ComptesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_champs.size());
}

QString ComptesModel::affichage(int row, int col) const
{
    if (col == m_colBanque)
        return m_banques[static_cast<size_t>(row)];
    const QVariant v = m_lignes[static_cast<size_t>(row)][static_cast<size_t>(col)];
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return QLocale().toString(v.toDouble(), 'f', 2);
    const QString text = v.toString();
    // Stored dates are shown the French way.
    static const QRegularExpression isoDate(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (m_champs.at(col).startsWith(QLatin1String("date"), Qt::CaseInsensitive) && isoDate.match(text).hasMatch()) {
        const QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid())
            return d.toString(QStringLiteral("dd/MM/yyyy"));
    }
    return text;
}

QVariant ComptesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const Consentement etat = m_etats[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return affichage(index.row(), index.column());
    case Qt::BackgroundRole:
        if (etat == Consentement::Rouge)
            return QColor(220, 53, 69);
        if (etat == Consentement::Orange)
            return QColor(255, 192, 0);
        return {};
    case Qt::ForegroundRole:
        if (etat == Consentement::Rouge)
            return QColor(Qt::white);
        if (etat == Consentement::Orange)
            return QColor(Qt::black);
        return {};
    case Qt::TextAlignmentRole: {
        const QVariant v = m_lignes[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())];
        if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    default:
        return {};
    }
}

QVariant ComptesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_titres.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_titres.at(section);
}

bool ComptesModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_titres.size())
        return false;
    m_titres[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}
