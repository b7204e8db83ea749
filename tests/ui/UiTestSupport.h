#pragma once

#include "support/QtPrinting.h"
#include "support/ScriptedDialogs.h"
#include "support/TempHome.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

// Saves a PNG of the widget under TRESOLINE_SCREENSHOT_DIR (nothing when unset);
// returns the file written.
QString saveScreenshot(QWidget *widget, const QString &name);

// Runs `action` on the next modal window with that object name as soon as it is
// shown (polling the event loop), so a test can drive a window opened by exec().
// The action must close it. Fails the test when no such window appears in time.
void whenModalShown(const QString &objectName, std::function<void(QWidget *)> action, int timeoutMs = 5000);

// Types the text into the widget as key presses, one character at a time.
void typeText(QWidget *widget, const QString &text);

// Pumps the event loop until the predicate holds or the time is up.
bool waitFor(const std::function<bool()> &predicate, int timeoutMs = 5000);

// Visible widgets whose text does not fit their width (labels, buttons, check
// boxes): the names of those that would show clipped text.
QStringList clippedTexts(QWidget *window);

// Rows of the operation log, newest first: "operation|message|resultat|source".
QStringList logLines(DataModule &dm);

// Fixture for window tests: temporary home, data module, scripted dialogs.
class UiTest : public TempHomeTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    ScriptedDialogs dialogs;
    DataModule &data();
    // Inserts a user and makes it the session user.
    void loginAs(int niveau, const QString &login = QStringLiteral("TESTEUR"));
};
