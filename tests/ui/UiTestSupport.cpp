#include "ui/UiTestSupport.h"

#include "db/SqlQuery.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTimer>

#include <memory>

QString saveScreenshot(QWidget *widget, const QString &name)
{
    const QString dir = QProcessEnvironment::systemEnvironment().value(QStringLiteral("TRESOLINE_SCREENSHOT_DIR"));
    if (dir.isEmpty() || !widget)
        return {};
    QDir().mkpath(dir);
    QApplication::processEvents();
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

bool waitFor(const std::function<bool()> &predicate, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!predicate()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void whenModalShown(const QString &objectName, std::function<void(QWidget *)> action, int timeoutMs)
{
    auto *poll = new QTimer(qApp);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, started, objectName, action, timeoutMs] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && (objectName.isEmpty() || modal->objectName() == objectName)) {
            poll->stop();
            poll->deleteLater();
            action(modal);
            return;
        }
        if (started->elapsed() > timeoutMs) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no modal window " << objectName.toStdString() << " appeared";
            if (modal)
                modal->close();
        }
    });
    poll->start();
}

QStringList clippedTexts(QWidget *window)
{
    if (window->layout())
        window->layout()->activate();
    QApplication::processEvents();
    QStringList clipped;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(window) || label->wordWrap() || label->text().isEmpty()
            || label->textFormat() == Qt::RichText)
            continue;
        const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text());
        if (needed > label->contentsRect().width())
            clipped << label->objectName() + QStringLiteral(" \"") + label->text() + QLatin1Char('"');
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!button->isVisibleTo(window) || button->text().isEmpty())
            continue;
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        // A push button needs its text plus a little frame; a check box its full hint.
        const int needed = qobject_cast<QPushButton *>(button)
            ? QFontMetrics(button->font()).horizontalAdvance(text) + 8
            : button->sizeHint().width();
        if (needed > button->width() + 1)
            clipped << button->objectName() + QStringLiteral(" \"") + button->text() + QLatin1Char('"');
    }
    return clipped;
}

QStringList logLines(DataModule &dm)
{
    QStringList out;
    SqlQuery q(dm.UnConnection_dossier(),
               QStringLiteral("SELECT operation, message, resultat, source FROM T_LOG_OPERATIONS ORDER BY log_id DESC"));
    q.exec();
    while (q.next())
        out << q.text(0) + QLatin1Char('|') + q.text(1) + QLatin1Char('|') + q.text(2) + QLatin1Char('|') + q.text(3);
    return out;
}

void UiTest::SetUp()
{
    TempHomeTest::SetUp();
}

void UiTest::TearDown()
{
    EXPECT_TRUE(dialogs.allAnswersUsed()) << "answers prepared for the user were not asked for";
    TempHomeTest::TearDown();
}

DataModule &UiTest::data()
{
    DataModule &module = dm();
    module.setDialogs(&dialogs);
    return module;
}

void UiTest::loginAs(int niveau, const QString &login)
{
    DataModule &module = data();
    const QString nom = QStringLiteral("Testeur ") + login;
    SqlQuery(module.UnConnection_dossier(),
             QStringLiteral("INSERT OR IGNORE INTO T_USERS (user_login, user_nom, user_email, cv, niveau_acces, "
                            "user_droits, user_actif) VALUES (:l, :n, 'testeur@example.fr', '', :v, 'TEST', 1)"))
        .bind(QStringLiteral(":l"), login)
        .bind(QStringLiteral(":n"), nom)
        .bind(QStringLiteral(":v"), niveau)
        .exec();
    SqlQuery id(module.UnConnection_dossier(), QStringLiteral("SELECT user_id FROM T_USERS WHERE user_login = :l"));
    id.bind(QStringLiteral(":l"), login).exec();
    module.user_courant_id = id.next() ? id.value(0).toInt() : 0;
    module.user_courant_login = login;
    module.user_courant_nom = nom;
    module.user_courant_niveau = niveau;
}
