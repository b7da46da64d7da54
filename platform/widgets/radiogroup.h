#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

// A captioned group of mutually exclusive radio items whose list can be
// emptied and refilled at run time (the language loader does so on every
// load). Items are numbered from 0 and laid out column by column; the choice
// is an item index, -1 when nothing is chosen.
//
// The object names of the item buttons are the group's object name followed
// by "_" and the index, so that tests can find and click them.
class RadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged)
    Q_PROPERTY(int columns READ columns WRITE setColumns)

public:
    explicit RadioGroup(QWidget *parent = nullptr);

    QString caption() const;
    void setCaption(const QString &caption);

    // Removes every item; the choice becomes -1 without any signal.
    void clearItems();
    void addItem(const QString &text);
    // clearItems() followed by addItem() for each text.
    void setItems(const QStringList &texts);
    QStringList items() const;
    int itemCount() const;
    QString itemText(int index) const;
    void setItemText(int index, const QString &text);

    int itemIndex() const;
    // Chooses an item; -1 (or any index out of range) chooses nothing.
    // Emits itemIndexChanged when the choice changes, never clicked().
    void setItemIndex(int index);

    // Number of columns the items are spread over (at least 1).
    int columns() const;
    void setColumns(int columns);

signals:
    // The user chose item `index` with the mouse, the keyboard or the
    // accessibility interface (after itemIndexChanged). A click on the item
    // already chosen is no new choice and emits nothing.
    void clicked(int index);
    // The choice changed, by the user or by setItemIndex().
    void itemIndexChanged(int index);

private:
    void relayout();
    void onButtonToggled(int id, bool checked);

    QGridLayout *m_layout;
    QButtonGroup *m_buttons;
    QList<QRadioButton *> m_items;
    int m_columns = 1;
    int m_index = -1;
};
