#pragma once

#include <QString>

// Every flow that talks to the user goes through this interface: Qt dialogs in
// the program, a scripted fake in tests, a silent one in command modes.
class UserDialogs
{
public:
    virtual ~UserDialogs() = default;

    virtual void inform(const QString &title, const QString &text) = 0;
    virtual void warn(const QString &title, const QString &text) = 0;
    virtual void error(const QString &title, const QString &text) = 0;
    virtual bool askYesNo(const QString &title, const QString &text) = 0;
    // False when the user cancels; value holds the proposed text on entry.
    virtual bool inputText(const QString &title, const QString &prompt, QString &value) = 0;
    // False when the user cancels; folder holds the proposed folder on entry.
    virtual bool chooseFolder(const QString &title, QString &folder) = 0;
    // Opens a modal window described by its documented class name (for instance
    // "TFormIdentificationSociete"); true when the user confirmed it.
    virtual bool runModal(const QString &windowName) = 0;
};

// Command modes: nothing is ever shown; questions get the cautious answer.
class SilentUserDialogs final : public UserDialogs
{
public:
    void inform(const QString &, const QString &) override {}
    void warn(const QString &, const QString &) override {}
    void error(const QString &, const QString &) override {}
    bool askYesNo(const QString &, const QString &) override { return false; }
    bool inputText(const QString &, const QString &, QString &) override { return false; }
    bool chooseFolder(const QString &, QString &) override { return false; }
    bool runModal(const QString &) override { return false; }
};
