#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

struct EcritureHistorique;

// The texts of one history row in UTF-8, converted once and bound to both inserts of
// the row; the buffer is reused from row to row. A text stays valid until the next fill.
class EcritureUtf8 final
{
public:
    enum Champ : std::size_t {
        Id,
        AccountId,
        ItemId,
        Iban,
        BankName,
        AccountName,
        AccountType,
        DateEcriture, // "yyyy-MM-dd", null when the row has no date
        DateIso,      // null when the row has none
        Description,
        ProviderDescription,
        AmountTxt,
        CurrencyCode,
        OperationType,
        BookingDate,
        TransactionDate,
        ValueDate,
        UpdatedAt,
        NombreChamps
    };

    void remplir(const EcritureHistorique &ARow);
    bool estNul(Champ AChamp) const { return m_nuls[AChamp]; }
    std::string_view texte(Champ AChamp) const
    {
        return std::string_view(m_buffer).substr(m_debuts[AChamp], m_longueurs[AChamp]);
    }

    // Appends the UTF-8 form of AText to AOut.
    static void ajouterUtf8(std::string &AOut, const QString &AText);

private:
    void ajouter(Champ AChamp, const QString &AText, bool ANul = false);

    std::string m_buffer;
    std::array<std::size_t, NombreChamps> m_debuts{};
    std::array<std::size_t, NombreChamps> m_longueurs{};
    std::array<bool, NombreChamps> m_nuls{};
};
