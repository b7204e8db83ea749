// bridge-sim: serves a scenario of bank data with the Bridge v3 API on a local port.
#include "BridgeSimServer.h"
#include "Scenario.h"

#include <pthread.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Options
{
    std::string host = "127.0.0.1";
    int port = 0;
    std::string scenario = "demo";
    std::string scenarioDir = BRIDGE_SIM_SCENARIO_DIR;
    std::string generate; // "NxM"
    std::string today;    // yyyy-mm-dd, reference day of relative dates
    std::vector<std::pair<std::string, std::string>> staticFiles; // path, local file
    std::vector<bridgesim::FaultRule> faults;
    bool help = false;
};

const char *const kUsage =
    "Usage : bridge-sim [--port N] [--host 127.0.0.1] [--scenario NOM|CHEMIN.json]\n"
    "                   [--scenarios-dir DOSSIER] [--generate NxM] [--today aaaa-mm-jj]\n"
    "                   [--static /chemin=fichier]... [--fault PANNE]...\n"
    "  --port 0 (par defaut) choisit un port libre ; la premiere ligne affichee est \"PORT n\".\n"
    "  --generate 20x5000 sert 20 comptes de 5000 transactions chacun (mesures).\n"
    "  --static /tresoline-version.txt=version.txt sert ce fichier sur ce chemin.\n"
    "  --fault status=503@/v3/providers,times=2,retry-after=5 ; delay=200000@/v3/aggregation/accounts ;\n"
    "          malformed@/v3/aggregation/items ; html=502@/v3/providers ; loop@/v3/aggregation/transactions,page=2\n"
    "          (options : times, page, account, retry-after, method).\n";

bool parseArguments(int argc, char **argv, Options &options, std::string &error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = "valeur manquante apres " + name;
            return false;
        }
        const std::string value = argv[++i];
        if (name == "--port") {
            try {
                options.port = std::stoi(value);
            } catch (const std::exception &) {
                options.port = -1;
            }
            if (options.port < 0 || options.port > 65535) {
                error = "port invalide : " + value;
                return false;
            }
        } else if (name == "--host") {
            options.host = value;
        } else if (name == "--scenario") {
            options.scenario = value;
        } else if (name == "--scenarios-dir") {
            options.scenarioDir = value;
        } else if (name == "--generate") {
            options.generate = value;
        } else if (name == "--today") {
            options.today = value;
        } else if (name == "--static") {
            const auto equal = value.find('=');
            if (equal == std::string::npos || equal == 0 || value[0] != '/') {
                error = "--static attend /chemin=fichier : " + value;
                return false;
            }
            options.staticFiles.emplace_back(value.substr(0, equal), value.substr(equal + 1));
        } else if (name == "--fault") {
            try {
                options.faults.push_back(bridgesim::FaultRule::parse(value));
            } catch (const std::invalid_argument &invalid) {
                error = invalid.what();
                return false;
            }
        } else {
            error = "option inconnue : " + name;
            return false;
        }
    }
    return true;
}

bridgesim::Scenario makeScenario(const Options &options)
{
    std::chrono::year_month_day today = bridgesim::RelativeDate::localToday();
    if (!options.today.empty() && !bridgesim::RelativeDate::parseIso(options.today, today))
        throw std::runtime_error("--today attend une date aaaa-mm-jj : " + options.today);
    const bridgesim::RelativeDate dates(today);
    if (options.generate.empty())
        return bridgesim::Scenario::load(options.scenario, options.scenarioDir, dates);
    int accounts = 0;
    int perAccount = 0;
    char tail = 0;
    if (std::sscanf(options.generate.c_str(), "%dx%d%c", &accounts, &perAccount, &tail) != 2 || accounts < 1
        || perAccount < 0)
        throw std::runtime_error("--generate attend NxM, par exemple 20x5000 : " + options.generate);
    return bridgesim::Scenario::generated(accounts, perAccount, dates);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("fichier illisible : " + path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    std::string error;
    if (!parseArguments(argc, argv, options, error)) {
        std::cerr << "bridge-sim : " << error << "\n" << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }

    // Wait for SIGINT / SIGTERM on this thread; the server threads must not take them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    try {
        bridgesim::Scenario scenario = makeScenario(options);
        const bridgesim::Scenario::Settings settings = scenario.settings();
        const std::size_t transactions = scenario.transactionCount();
        const std::size_t users = scenario.users().size();
        bridgesim::BridgeSimServer server(std::move(scenario));
        for (const auto &[path, file] : options.staticFiles)
            server.setStaticFile(path, readFile(file));
        for (const bridgesim::FaultRule &fault : options.faults)
            server.addFault(fault);
        const int port = server.start(options.host, options.port);
        if (port < 0) {
            std::cerr << "bridge-sim : impossible d'ecouter sur " << options.host << ":" << options.port << "\n";
            return 1;
        }
        std::cout << "PORT " << port << std::endl;
        std::cout << "Scenario " << settings.name << " : " << users << " utilisateur(s), " << transactions
                  << " transaction(s) ; Client-Id=" << settings.clientId << " Client-Secret=" << settings.clientSecret
                  << " ; premier utilisateur=" << server.firstExternalUserId() << "\n"
                  << "Adresse : " << server.baseUrl() << std::endl;
        int received = 0;
        sigwait(&signals, &received);
        server.stop();
    } catch (const std::exception &failure) {
        std::cerr << "bridge-sim : " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
