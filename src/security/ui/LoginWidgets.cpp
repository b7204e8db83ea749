#include "security/ui/LoginWidgets.h"

#include "common/ui/WindowStyle.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

#include <vector>

namespace LoginWidgets {

void preparerDialogue(QDialog *dialog, const QString &objectName, const QString &caption, int width, int height)
{
    dialog->setObjectName(objectName);
    dialog->setWindowTitle(caption);
    dialog->setFont(WindowStyle::font(10));
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dialog->resize(width, height);
}

QLabel *AjouterLabel(QWidget *parent, const QString &ACaption)
{
    return new QLabel(ACaption, parent);
}

QLineEdit *champ(QWidget *parent, const char *objectName, int maxLength)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setMaxLength(maxLength);
    return edit;
}

QLineEdit *champMotDePasse(QWidget *parent, const char *objectName)
{
    QLineEdit *edit = champ(parent, objectName, 128);
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    return edit;
}

QCheckBox *caseAfficher(QWidget *parent, std::initializer_list<QLineEdit *> fields)
{
    auto *box = new QCheckBox(QStringLiteral("Afficher le mot de passe"), parent);
    box->setObjectName(QStringLiteral("CheckAfficher"));
    const std::vector<QLineEdit *> edits(fields);
    QObject::connect(box, &QCheckBox::toggled, box, [edits](bool visible) {
        for (QLineEdit *e : edits)
            e->setEchoMode(visible ? QLineEdit::Normal : QLineEdit::Password);
    });
    return box;
}

} // namespace LoginWidgets
