// The radio group that the language loader empties and refills: the choice
// must follow the user and the code, and a refill must leave no choice.

#include "labellededit.h"
#include "radiogroup.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

class TestRadioGroup : public QObject
{
    Q_OBJECT

private slots:
    void userChoice_data();
    void userChoice();
    void choiceInCode_data();
    void choiceInCode();
    void refillDropsChoice();
    void itemsColumnByColumn();
    void labelledEdit();
};

namespace {

struct Fixture
{
    Fixture()
    {
        group.setObjectName(QStringLiteral("Typ_SMS"));
        group.setItems({"a", "b", "c", "d", "e"});
        group.show();
    }
    QRadioButton *item(int index) const
    {
        return group.findChild<QRadioButton *>(QStringLiteral("Typ_SMS_%1").arg(index));
    }
    QList<int> checkedItems() const
    {
        QList<int> checked;
        for (int i = 0; i < group.itemCount(); ++i) {
            if (item(i)->isChecked())
                checked << i;
        }
        return checked;
    }

    RadioGroup group;
};

} // namespace

void TestRadioGroup::userChoice_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("clickedItem");
    QTest::addColumn<bool>("signalled");

    QTest::newRow("first choice") << -1 << 2 << true;
    QTest::newRow("another item") << 0 << 4 << true;
    QTest::newRow("the item already chosen") << 3 << 3 << false;
}

void TestRadioGroup::userChoice()
{
    QFETCH(int, before);
    QFETCH(int, clickedItem);
    QFETCH(bool, signalled);

    Fixture f;
    f.group.setItemIndex(before);
    QSignalSpy clicked(&f.group, &RadioGroup::clicked);
    QSignalSpy changed(&f.group, &RadioGroup::itemIndexChanged);

    QTest::mouseClick(f.item(clickedItem), Qt::LeftButton);

    QCOMPARE(f.group.itemIndex(), clickedItem);
    QCOMPARE(f.checkedItems(), QList<int>{clickedItem});
    QCOMPARE(clicked.count(), signalled ? 1 : 0);
    QCOMPARE(changed.count(), signalled ? 1 : 0);
    if (signalled)
        QCOMPARE(clicked.first().first().toInt(), clickedItem);
}

void TestRadioGroup::choiceInCode_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("changed");

    QTest::newRow("choose") << -1 << 1 << 1 << true;
    QTest::newRow("choose another") << 1 << 4 << 4 << true;
    QTest::newRow("same again") << 2 << 2 << 2 << false;
    QTest::newRow("choose none") << 3 << -1 << -1 << true;
    QTest::newRow("past the last item") << 3 << 5 << -1 << true;
    QTest::newRow("negative") << -1 << -7 << -1 << false;
}

// Setting the index in code reports the change but is no user click.
void TestRadioGroup::choiceInCode()
{
    QFETCH(int, before);
    QFETCH(int, set);
    QFETCH(int, after);
    QFETCH(bool, changed);

    Fixture f;
    f.group.setItemIndex(before);
    QSignalSpy clickedSpy(&f.group, &RadioGroup::clicked);
    QSignalSpy changedSpy(&f.group, &RadioGroup::itemIndexChanged);

    f.group.setItemIndex(set);

    QCOMPARE(f.group.itemIndex(), after);
    QCOMPARE(f.checkedItems(), after < 0 ? QList<int>{} : QList<int>{after});
    QCOMPARE(clickedSpy.count(), 0);
    QCOMPARE(changedSpy.count(), changed ? 1 : 0);
}

void TestRadioGroup::refillDropsChoice()
{
    Fixture f;
    QTest::mouseClick(f.item(3), Qt::LeftButton);
    QCOMPARE(f.group.itemIndex(), 3);
    QSignalSpy changed(&f.group, &RadioGroup::itemIndexChanged);

    f.group.setCaption(QStringLiteral("Status"));
    f.group.clearItems();
    QCOMPARE(f.group.itemCount(), 0);
    QCOMPARE(f.group.itemIndex(), -1);
    for (const char *text : {"unread", "read", "unsent", "sent", "all"})
        f.group.addItem(QString::fromLatin1(text));

    QCOMPARE(f.group.itemIndex(), -1);
    QCOMPARE(f.checkedItems(), QList<int>{});
    QCOMPARE(changed.count(), 0);
    QCOMPARE(f.group.title(), QStringLiteral("Status"));
    QCOMPARE(f.group.itemText(4), QStringLiteral("all"));

    // The refilled items are still one exclusive choice.
    QTest::mouseClick(f.item(1), Qt::LeftButton);
    QTest::mouseClick(f.item(4), Qt::LeftButton);
    QCOMPARE(f.group.itemIndex(), 4);
    QCOMPARE(f.checkedItems(), QList<int>{4});
}

void TestRadioGroup::itemsColumnByColumn()
{
    RadioGroup group;
    group.setObjectName(QStringLiteral("vybertypu"));
    group.setColumns(2);
    for (int i = 0; i < 12; ++i)
        group.addItem(QString::number(i));
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));

    const auto at = [&](int i) {
        return group.findChild<QRadioButton *>(QStringLiteral("vybertypu_%1").arg(i))->geometry();
    };
    QCOMPARE(at(1).left(), at(0).left());
    QVERIFY(at(1).top() > at(0).top());
    QCOMPARE(at(6).top(), at(0).top());
    QVERIFY(at(6).left() > at(5).right());
}

void TestRadioGroup::labelledEdit()
{
    LabelledEdit edit;
    QSignalSpy changed(&edit, &LabelledEdit::textChanged);
    edit.setCaption(QStringLiteral("Soukromý mobil"));
    edit.setText(QStringLiteral("+420 123"));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));

    QCOMPARE(edit.label()->text(), QStringLiteral("Soukromý mobil"));
    QCOMPARE(edit.label()->buddy(), edit.lineEdit());
    QVERIFY(edit.label()->geometry().bottom() <= edit.lineEdit()->geometry().top());
    QCOMPARE(changed.count(), 1);

    QTest::keyClicks(edit.lineEdit(), QStringLiteral("4"));
    QCOMPARE(edit.text(), QStringLiteral("+420 1234"));
    QCOMPARE(changed.count(), 2);
}

QTEST_MAIN(TestRadioGroup)
#include "tst_radiogroup.moc"
