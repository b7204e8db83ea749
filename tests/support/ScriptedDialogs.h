#pragma once

#include "common/UserDialogs.h"

#include <QString>
#include <QStringList>

#include <deque>

// Test stand-in for the user: every question is answered from a queue prepared by
// the test; a question nobody expected fails the test. Messages shown are kept.
class ScriptedDialogs final : public UserDialogs
{
public:
    struct Shown
    {
        QString kind; // "inform", "warn", "error", "question", "input", "folder", "modal"
        QString title;
        QString text;
    };

    // Answers, consumed in order by askYesNo / inputText / chooseFolder / runModal.
    void answerYesNo(bool yes);
    void answerText(const QString &text); // an empty optional means "cancel": use cancelNext()
    void answerFolder(const QString &folder);
    void answerModal(bool accepted);
    void cancelNext();

    const std::vector<Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    bool allAnswersUsed() const { return m_answers.empty(); }

    void inform(const QString &title, const QString &text) override;
    void warn(const QString &title, const QString &text) override;
    void error(const QString &title, const QString &text) override;
    bool askYesNo(const QString &title, const QString &text) override;
    bool inputText(const QString &title, const QString &prompt, QString &value) override;
    bool chooseFolder(const QString &title, QString &folder) override;
    bool runModal(const QString &windowName) override;

private:
    struct Answer
    {
        QString kind;
        bool ok = true;
        QString text;
    };
    bool take(const QString &kind, Answer &answer);

    std::deque<Answer> m_answers;
    std::vector<Shown> m_shown;
};
