#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <gtest/gtest.h>

// Compares a written file byte for byte with tests/data/<golden>; on a difference
// the message shows the first line that differs.
inline ::testing::AssertionResult sameAsGolden(const QString &written, const QString &golden)
{
    QFile actualFile(written);
    QFile expectedFile(QStringLiteral(TRESOLINE_TEST_DATA_DIR "/") + golden);
    if (!actualFile.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "cannot read " << written.toStdString();
    if (!expectedFile.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "cannot read golden " << golden.toStdString();
    const QByteArray actual = actualFile.readAll();
    const QByteArray expected = expectedFile.readAll();
    if (actual == expected)
        return ::testing::AssertionSuccess();
    const QList<QByteArray> a = actual.split('\n');
    const QList<QByteArray> e = expected.split('\n');
    for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i) {
        const QByteArray la = i < a.size() ? a[i] : QByteArray("<end of file>");
        const QByteArray le = i < e.size() ? e[i] : QByteArray("<end of file>");
        if (la != le)
            return ::testing::AssertionFailure()
                << golden.toStdString() << ": first difference at line " << i + 1
                << "\n  expected: " << le.toStdString() << "\n  written:  " << la.toStdString();
    }
    return ::testing::AssertionFailure() << golden.toStdString() << ": files differ";
}
