#pragma once

#include <QDateTime>
#include <QString>

class DataModule;

// The bank catalogue: loaded from Bridge at most about once a week, kept in T_PROVIDERS
// so bank names survive when Bridge cannot be reached, held in memory by the data
// module for every view. No operation raises.
class BridgeProviders final
{
public:
    static constexpr int kLongueurNom = 60;
    static constexpr int kPagesMax = 201;

    explicit BridgeProviders(DataModule &dm);

    void CreerTableProvidersSiInexistante();
    // Providers loaded from Bridge into the catalogue (0 on any failure). complet tells
    // whether the load reached the last page.
    int ChargerTousLesProviders(bool *complet = nullptr);
    double AgeCacheProvidersJours();
    int ChargerProvidersDepuisCache();
    int EnregistrerProvidersDansCache();
    int ReinitialiserCacheProviders();
    int ChargerProvidersAvecCache(int AMaxJours);
    QString ResoudreNomBanque(const QString &AValeur) const;

    static bool TryStrToDateTimeISO(const QString &text, QDateTime &value);

private:
    void creerTable();
    int enregistrer(bool viderAvant);

    DataModule &m_dm;
};
