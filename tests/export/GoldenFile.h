#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>

#include <gtest/gtest.h>

// Keeps a copy of a file that did not match under the build tree, for review.
inline void keepForReview(const QByteArray &content, const QString &golden)
{
    const QString copy = QStringLiteral(TRESOLINE_BINARY_DIR "/golden-actual/") + golden;
    QDir().mkpath(QFileInfo(copy).absolutePath());
    QFile file(copy);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

// Compares a written file byte for byte with tests/data/<golden>; on a difference
// the message shows the first line that differs.
inline ::testing::AssertionResult sameAsGolden(const QString &written, const QString &golden)
{
    QFile actualFile(written);
    QFile expectedFile(QStringLiteral(TRESOLINE_TEST_DATA_DIR "/") + golden);
    if (!actualFile.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "cannot read " << written.toStdString();
    const QByteArray actual = actualFile.readAll();
    if (!expectedFile.open(QIODevice::ReadOnly)) {
        keepForReview(actual, golden);
        return ::testing::AssertionFailure() << "cannot read golden " << golden.toStdString();
    }
    const QByteArray expected = expectedFile.readAll();
    if (actual == expected)
        return ::testing::AssertionSuccess();
    keepForReview(actual, golden);
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
