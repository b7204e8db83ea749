// Times the retrieval of every transaction of a generated company from the in-process
// simulator: account listing, then a bootstrap walk per account (pages of 500), each
// page parsed, logged and turned into rows. Reports the wall time and the CPU time of
// the client thread alone (the simulator serves from its own thread).
//
//   bench_bridge [accounts transactionsPerAccount]   default: 20 5000

#include "app/Configuration.h"
#include "bridge/BridgeAccounts.h"
#include "bridge/BridgeState.h"
#include "bridge/BridgeTransactions.h"
#include "bridge/BridgeTransport.h"
#include "bridge-sim/BridgeSimServer.h"
#include "db/DataModule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int accounts = argc > 2 ? std::atoi(argv[1]) : 20;
    const int perAccount = argc > 2 ? std::atoi(argv[2]) : 5000;

    bridgesim::BridgeSimServer sim(bridgesim::Scenario::generated(
        accounts, perAccount, bridgesim::RelativeDate(bridgesim::RelativeDate::localToday())));
    if (sim.start("127.0.0.1", 0) < 0) {
        std::fprintf(stderr, "simulateur : aucun port libre\n");
        return 1;
    }
    QTemporaryDir home;
    Configuration config = Configuration::defaults(home.path());
    config.bridgeUrl = QString::fromStdString(sim.baseUrl());
    config.bridgeClientId = QStringLiteral("client-test");
    config.bridgeClientSecret = QStringLiteral("secret-test");
    DataModule dm(config);
    dm.DataModuleCreate();
    dm.utilisateur_token_soc = QStringLiteral("BENCH");

    const QString token = BridgeTransport(dm).ObtenirTokenBridge({}, QStringLiteral("BENCH"));
    BridgeAccounts(dm).liste_compte(token, false);

    QElapsedTimer wall;
    wall.start();
    const double cpu0 = threadCpuSeconds();
    int pages = 0;
    int rows = 0;
    bool complete = true;
    for (const CompteBridge &compte : std::vector<CompteBridge>(dm.bridge().FDMemTableaccount)) {
        const RecuperationResultat r = BridgeTransactions(dm).aggregation_paginated_bootstrap(token, compte.ID, 10000);
        pages += r.pages;
        rows += r.lignesAjoutees;
        complete = complete && r.complet();
    }
    const double cpu = threadCpuSeconds() - cpu0;
    const double seconds = double(wall.elapsed()) / 1000.0;
    std::printf("comptes=%d transactions=%d pages=%d complet=%s\n", accounts, rows, pages, complete ? "oui" : "non");
    std::printf("temps reel %.2f s, CPU client %.2f s, soit %.2f s CPU pour 100 000 transactions\n", seconds, cpu,
                rows ? cpu * 100000.0 / rows : 0.0);
    return complete && rows == accounts * perAccount ? 0 : 1;
}
