// Times what a login costs in hashing: verifying a password against a stored hash of
// 30 000 SHA-256 rounds, and creating such a hash, each repeated to give a mean.
// Wall time and process CPU time are both printed: on a busy machine the first
// includes waiting for a core, the second does not.
//
//   bench_security [repetitions]        default: 50

#include "security/MorvaneSecurityUsers.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 50;
    const QString password = QStringLiteral("Motdepasse2026é");
    const QString stored = MorvaneSecurityUsers::CreerHashMotDePasse(password);

    QElapsedTimer timer;
    timer.start();
    std::clock_t cpu = std::clock();
    int verified = 0;
    for (int i = 0; i < repetitions; ++i)
        verified += MorvaneSecurityUsers::VerifierHashMotDePasse(password, stored) ? 1 : 0;
    const double verifyMs = static_cast<double>(timer.nsecsElapsed()) / 1e6 / repetitions;
    const double verifyCpuMs = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC / repetitions;

    timer.restart();
    cpu = std::clock();
    for (int i = 0; i < repetitions; ++i)
        MorvaneSecurityUsers::CreerHashMotDePasse(password);
    const double createMs = static_cast<double>(timer.nsecsElapsed()) / 1e6 / repetitions;
    const double createCpuMs = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC / repetitions;

    std::printf("password verification (%d rounds): %.2f ms wall, %.2f ms CPU, mean over %d (%d verified)\n",
                MorvaneSecurityUsers::MORVANE_HASH_ITERATIONS, verifyMs, verifyCpuMs, repetitions, verified);
    std::printf("password hash creation (%d rounds): %.2f ms wall, %.2f ms CPU, mean over %d\n",
                MorvaneSecurityUsers::MORVANE_HASH_ITERATIONS, createMs, createCpuMs, repetitions);
    return verified == repetitions ? 0 : 1;
}
