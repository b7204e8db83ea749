#pragma once

#include <QString>

#include <initializer_list>

class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QWidget;

// Pieces shared by the login, administrator and recovery dialogs.
namespace LoginWidgets {

// The dialogs' common look: dialog border, "Segoe UI" 10, fixed default size.
void preparerDialogue(QDialog *dialog, const QString &objectName, const QString &caption, int width, int height);
QLabel *AjouterLabel(QWidget *parent, const QString &ACaption);
QLineEdit *champ(QWidget *parent, const char *objectName, int maxLength);
// A password field masked with "*".
QLineEdit *champMotDePasse(QWidget *parent, const char *objectName);
// "Afficher le mot de passe": shows or masks every given field.
QCheckBox *caseAfficher(QWidget *parent, std::initializer_list<QLineEdit *> fields);

} // namespace LoginWidgets
