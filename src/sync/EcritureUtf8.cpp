#include "sync/EcritureUtf8.h"

#include "sync/EcritureHistorique.h"

#include <QByteArray>

void EcritureUtf8::ajouterUtf8(std::string &AOut, const QString &AText)
{
    const char16_t *p = reinterpret_cast<const char16_t *>(AText.constData());
    const qsizetype n = AText.size();
    qsizetype i = 0;
    while (i < n && p[i] < 0x80)
        ++i;
    if (i == n) {
        // Bank texts are nearly always plain ASCII: copy without a conversion.
        const std::size_t debut = AOut.size();
        AOut.resize(debut + static_cast<std::size_t>(n));
        for (qsizetype k = 0; k < n; ++k)
            AOut[debut + static_cast<std::size_t>(k)] = static_cast<char>(p[k]);
        return;
    }
    const QByteArray utf8 = AText.toUtf8();
    AOut.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

void EcritureUtf8::ajouter(Champ AChamp, const QString &AText, bool ANul)
{
    m_debuts[AChamp] = m_buffer.size();
    m_nuls[AChamp] = ANul;
    if (!ANul)
        ajouterUtf8(m_buffer, AText);
    m_longueurs[AChamp] = m_buffer.size() - m_debuts[AChamp];
}

void EcritureUtf8::remplir(const EcritureHistorique &ARow)
{
    m_buffer.clear();
    ajouter(Id, ARow.id);
    ajouter(AccountId, ARow.account_id);
    ajouter(ItemId, ARow.item_id);
    ajouter(Iban, ARow.iban);
    ajouter(BankName, ARow.bank_name);
    ajouter(AccountName, ARow.account_name);
    ajouter(AccountType, ARow.account_type);

    m_debuts[DateEcriture] = m_buffer.size();
    m_nuls[DateEcriture] = true;
    int y = 0;
    int m = 0;
    int d = 0;
    if (ARow.date.isValid()) {
        ARow.date.getDate(&y, &m, &d);
        if (y >= 0 && y <= 9999) {
            const char texte[10] = {char('0' + y / 1000), char('0' + y / 100 % 10), char('0' + y / 10 % 10),
                                    char('0' + y % 10),   '-',
                                    char('0' + m / 10),   char('0' + m % 10),
                                    '-',                  char('0' + d / 10),
                                    char('0' + d % 10)};
            m_buffer.append(texte, sizeof texte);
            m_nuls[DateEcriture] = false;
        }
    }
    m_longueurs[DateEcriture] = m_buffer.size() - m_debuts[DateEcriture];

    ajouter(DateIso, ARow.date_iso, ARow.date_iso.isNull());
    ajouter(Description, ARow.description);
    ajouter(ProviderDescription, ARow.provider_description);
    ajouter(AmountTxt, ARow.amount_txt);
    ajouter(CurrencyCode, ARow.currency_code);
    ajouter(OperationType, ARow.operation_type);
    ajouter(BookingDate, ARow.booking_date);
    ajouter(TransactionDate, ARow.transaction_date);
    ajouter(ValueDate, ARow.value_date);
    ajouter(UpdatedAt, ARow.updated_at);
}
