#pragma once

#include "common/UserDialogs.h"

#include <QHash>
#include <QString>

#include <functional>

class QWidget;

// The program's user dialogs: Qt message boxes, input box and folder chooser, with
// Qt's standard buttons in French once QtFrenchTranslation is installed. Message
// boxes are parented to the active modal window (or the active window) so they
// always come up in front of what the user is looking at.
class QtUserDialogs final : public UserDialogs
{
public:
    using ModalOpener = std::function<bool(QWidget *owner)>;

    QtUserDialogs() = default;
    Q_DISABLE_COPY_MOVE(QtUserDialogs)

    void inform(const QString &title, const QString &text) override;
    void warn(const QString &title, const QString &text) override;
    void error(const QString &title, const QString &text) override;
    bool askYesNo(const QString &title, const QString &text) override;
    bool inputText(const QString &title, const QString &prompt, QString &value) override;
    bool chooseFolder(const QString &title, QString &folder) override;
    bool runModal(const QString &windowName) override;

    // Windows the core may ask for by their documented class name.
    void registerModal(const QString &windowName, ModalOpener opener);
    // Run before any box is shown: a window that stays on top (the progress window)
    // closes here so that it never hides the message.
    void setBeforeShow(std::function<void()> hook) { m_beforeShow = std::move(hook); }

    static QWidget *ownerWidget();

private:
    void prepare() const;

    QHash<QString, ModalOpener> m_modals;
    std::function<void()> m_beforeShow;
};
