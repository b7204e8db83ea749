#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

void ScriptedDialogs::answerYesNo(bool yes) { m_answers.push_back({QStringLiteral("question"), yes, {}}); }
void ScriptedDialogs::answerText(const QString &text) { m_answers.push_back({QStringLiteral("input"), true, text}); }
void ScriptedDialogs::answerFolder(const QString &folder) { m_answers.push_back({QStringLiteral("folder"), true, folder}); }
void ScriptedDialogs::answerModal(bool accepted) { m_answers.push_back({QStringLiteral("modal"), accepted, {}}); }
void ScriptedDialogs::cancelNext() { m_answers.push_back({QStringLiteral("*"), false, {}}); }

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        out << s.text;
    return out;
}

void ScriptedDialogs::inform(const QString &title, const QString &text) { m_shown.push_back({QStringLiteral("inform"), title, text}); }
void ScriptedDialogs::warn(const QString &title, const QString &text) { m_shown.push_back({QStringLiteral("warn"), title, text}); }
void ScriptedDialogs::error(const QString &title, const QString &text) { m_shown.push_back({QStringLiteral("error"), title, text}); }

bool ScriptedDialogs::take(const QString &kind, Answer &answer)
{
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected " << kind.toStdString() << " asked of the user";
        return false;
    }
    answer = m_answers.front();
    m_answers.pop_front();
    if (answer.kind != QLatin1String("*") && answer.kind != kind) {
        ADD_FAILURE() << "expected a " << answer.kind.toStdString() << ", the code asked a " << kind.toStdString();
        return false;
    }
    return answer.ok;
}

bool ScriptedDialogs::askYesNo(const QString &title, const QString &text)
{
    m_shown.push_back({QStringLiteral("question"), title, text});
    Answer a;
    return take(QStringLiteral("question"), a);
}

bool ScriptedDialogs::inputText(const QString &title, const QString &prompt, QString &value)
{
    m_shown.push_back({QStringLiteral("input"), title, prompt});
    Answer a;
    if (!take(QStringLiteral("input"), a))
        return false;
    value = a.text;
    return true;
}

bool ScriptedDialogs::chooseFolder(const QString &title, QString &folder)
{
    m_shown.push_back({QStringLiteral("folder"), title, folder});
    Answer a;
    if (!take(QStringLiteral("folder"), a))
        return false;
    folder = a.text;
    return true;
}

bool ScriptedDialogs::runModal(const QString &windowName)
{
    m_shown.push_back({QStringLiteral("modal"), windowName, {}});
    Answer a;
    return take(QStringLiteral("modal"), a);
}
