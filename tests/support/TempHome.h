#pragma once

#include "app/Configuration.h"
#include "common/Clock.h"
#include "db/DataModule.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// A clock the test moves by hand.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 3, 15), QTime(10, 0, 0)))
        : m_now(std::move(start))
    {
    }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }
    void advanceSecs(qint64 s) { m_now = m_now.addSecs(s); }

private:
    QDateTime m_now;
};

// Fixture base: every test gets a fresh temporary program folder, a configuration
// pointing at it, and (on demand) a data module created on it.
class TempHomeTest : public ::testing::Test
{
protected:
    void SetUp() override;

    QString home() const { return m_home.path() + QLatin1Char('/'); }
    Configuration &config() { return m_config; }
    // Creates (once) the data module on the temporary folder and runs its creation.
    DataModule &dm();
    // A second data module on the same folder, as a second process would have.
    std::unique_ptr<DataModule> openAnother(const Clock *clock = nullptr);
    // Copies tests/data/<relative> into the temporary folder; returns the copy's path.
    QString copyFixture(const QString &relative);

    ManualClock *clockOverride = nullptr; // set before dm() to run on a manual clock

private:
    QTemporaryDir m_home;
    Configuration m_config;
    std::unique_ptr<DataModule> m_dm;
};
