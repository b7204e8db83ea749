#include "common/ui/QtUserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QWidget>

namespace {

// The documented texts use CR LF line breaks; Qt's labels want bare LF.
QString lignes(const QString &text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return out;
}

} // namespace

QWidget *QtUserDialogs::ownerWidget()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

void QtUserDialogs::prepare() const
{
    if (m_beforeShow)
        m_beforeShow();
    // A message box must show the normal pointer even while work is under way.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void QtUserDialogs::inform(const QString &title, const QString &text)
{
    prepare();
    QMessageBox::information(ownerWidget(), title, lignes(text));
}

void QtUserDialogs::warn(const QString &title, const QString &text)
{
    prepare();
    QMessageBox::warning(ownerWidget(), title, lignes(text));
}

void QtUserDialogs::error(const QString &title, const QString &text)
{
    prepare();
    QMessageBox::critical(ownerWidget(), title, lignes(text));
}

bool QtUserDialogs::askYesNo(const QString &title, const QString &text)
{
    prepare();
    // "No" is the default: every question of the program guards a change.
    return QMessageBox::question(ownerWidget(), title, lignes(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No)
        == QMessageBox::Yes;
}

bool QtUserDialogs::inputText(const QString &title, const QString &prompt, QString &value)
{
    prepare();
    bool ok = false;
    const QString answer = QInputDialog::getText(ownerWidget(), title, lignes(prompt), QLineEdit::Normal, value, &ok);
    if (ok)
        value = answer;
    return ok;
}

bool QtUserDialogs::chooseFolder(const QString &title, QString &folder)
{
    prepare();
    const QString chosen = QFileDialog::getExistingDirectory(ownerWidget(), title, folder,
                                                             QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

bool QtUserDialogs::runModal(const QString &windowName)
{
    const auto it = m_modals.constFind(windowName);
    if (it == m_modals.constEnd() || !*it)
        return false;
    return (*it)(ownerWidget());
}

void QtUserDialogs::registerModal(const QString &windowName, ModalOpener opener)
{
    m_modals.insert(windowName, std::move(opener));
}
