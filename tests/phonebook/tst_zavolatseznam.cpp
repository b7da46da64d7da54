// The number-choice dialog the address book dials through: a click on one of
// the first four numbers dials it on the modem port and closes the dialog;
// any other click only closes it. The dialog is reused, so a second showing
// must dial again even when the same item is clicked.

#include "comport.h"
#include "pty.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "zavolatseznam.h"

#include <QRadioButton>
#include <QTest>

class TestZavolatSeznam : public QObject
{
    Q_OBJECT

private slots:
    void dialsChosenNumber_data();
    void dialsChosenNumber();
    void reusedDialogDialsAgain();
    void closedPortSendsNothing();
};

namespace {

// Shows the dialog as the address book does and clicks item `index` while it is "on screen".
int showAndClick(TZavolatSeznam &dialog, int index)
{
    ScriptedDialogs dialogs;
    dialogs.dialogActions.push_back([index](QDialog *d) {
        auto *button = d->findChild<QRadioButton *>(QStringLiteral("cislo_%1").arg(index));
        if (!button)
            return int(QDialog::Rejected);
        button->click();
        return d->result();
    });
    const int result = Dialogs::instance().execDialog(&dialog);
    dialog.cislo()->clearItems();
    return result;
}

} // namespace

void TestZavolatSeznam::dialsChosenNumber_data()
{
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QByteArray>("sent");

    const QStringList four{"603111222", "+420241000111", "112", "777888999"};
    QTest::newRow("third of four") << four << 2 << QByteArray("ATD112;\r");
    QTest::newRow("first, international") << four << 1 << QByteArray("ATD+420241000111;\r");
    QTest::newRow("fifth is never dialled")
        << (four + QStringList{"800123456"}) << 4 << QByteArray();
}

void TestZavolatSeznam::dialsChosenNumber()
{
    QFETCH(QStringList, numbers);
    QFETCH(int, clicked);
    QFETCH(QByteArray, sent);

    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    QWidget mainWindow;
    QList<bool> openRequests;
    TZavolatSeznam dialog(&mainWindow, &port, [&](bool open) {
        openRequests.append(open);
        port.OpenPort();
        return true;
    });
    for (const QString &n : numbers)
        dialog.cislo()->addItem(n);

    QCOMPARE(showAndClick(dialog, clicked), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    if (sent.isEmpty()) {
        QVERIFY(openRequests.isEmpty());
        QCOMPARE(pty.read(300), QByteArray());
    } else {
        QCOMPARE(openRequests, QList<bool>{true});
        QCOMPARE(pty.readUntil(sent), sent);
    }
}

void TestZavolatSeznam::reusedDialogDialsAgain()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    port.OpenPort();
    TZavolatSeznam dialog(nullptr, &port);
    for (int round = 0; round < 2; ++round) {
        dialog.cislo()->setItems({"603111222", "604333444"});
        showAndClick(dialog, 1);
        QCOMPARE(pty.readUntil("ATD604333444;\r"), QByteArray("ATD604333444;\r"));
    }
}

void TestZavolatSeznam::closedPortSendsNothing()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    TComPort port(QStringLiteral("ComPort1"));
    port.setPort(pty.slavePath());
    TZavolatSeznam dialog(nullptr, &port, [](bool) { return false; });
    dialog.cislo()->addItem(QStringLiteral("112"));
    QCOMPARE(showAndClick(dialog, 0), int(QDialog::Accepted));
    QCOMPARE(pty.read(300), QByteArray());
}

QTEST_MAIN(TestZavolatSeznam)
#include "tst_zavolatseznam.moc"
