#include "radiogroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <QSignalBlocker>

RadioGroup::RadioGroup(QWidget *parent)
    : QGroupBox(parent)
    , m_layout(new QGridLayout(this))
    , m_buttons(new QButtonGroup(this))
{
    m_layout->setContentsMargins(6, 2, 6, 4);
    m_layout->setHorizontalSpacing(8);
    m_layout->setVerticalSpacing(0);
    m_buttons->setExclusive(true);
    // The user's choice is the state change itself: a mouse click, the arrow
    // keys and a screen reader's "toggle" action all check an item, and the
    // last one emits no click at all. setItemIndex blocks these signals, so
    // only the user's choices get here; a click on the item already chosen
    // changes nothing and is no new choice.
    connect(m_buttons, &QButtonGroup::idToggled, this, &RadioGroup::onButtonToggled);
}

QString RadioGroup::caption() const
{
    return title();
}

void RadioGroup::setCaption(const QString &caption)
{
    setTitle(caption);
}

void RadioGroup::clearItems()
{
    m_index = -1;
    // Deferred: the refill may be started from inside an item's own click.
    for (QRadioButton *button : std::as_const(m_items)) {
        m_buttons->removeButton(button);
        m_layout->removeWidget(button);
        button->hide();
        button->setObjectName(QString());
        button->deleteLater();
    }
    m_items.clear();
}

void RadioGroup::addItem(const QString &text)
{
    auto button = new QRadioButton(text, this);
    const int id = int(m_items.size());
    m_items.append(button);
    m_buttons->addButton(button, id);
    relayout();
    button->show();
}

void RadioGroup::setItems(const QStringList &texts)
{
    clearItems();
    for (const QString &text : texts)
        addItem(text);
}

QStringList RadioGroup::items() const
{
    QStringList texts;
    for (const QRadioButton *button : m_items)
        texts.append(button->text());
    return texts;
}

int RadioGroup::itemCount() const
{
    return int(m_items.size());
}

QString RadioGroup::itemText(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index)->text() : QString();
}

void RadioGroup::setItemText(int index, const QString &text)
{
    if (index >= 0 && index < m_items.size())
        m_items.at(index)->setText(text);
}

int RadioGroup::itemIndex() const
{
    return m_index;
}

void RadioGroup::setItemIndex(int index)
{
    if (index < 0 || index >= m_items.size())
        index = -1;
    if (index == m_index)
        return;
    {
        const QSignalBlocker blocker(m_buttons);
        if (index < 0) {
            // An exclusive group refuses to uncheck its last checked button.
            m_buttons->setExclusive(false);
            for (QRadioButton *button : std::as_const(m_items))
                button->setChecked(false);
            m_buttons->setExclusive(true);
        } else {
            m_items.at(index)->setChecked(true);
        }
    }
    m_index = index;
    emit itemIndexChanged(index);
}

int RadioGroup::columns() const
{
    return m_columns;
}

void RadioGroup::setColumns(int columns)
{
    m_columns = qMax(1, columns);
    relayout();
}

void RadioGroup::relayout()
{
    for (QRadioButton *button : std::as_const(m_items))
        m_layout->removeWidget(button);
    const int count = int(m_items.size());
    const int rows = qMax(1, (count + m_columns - 1) / m_columns);
    for (int i = 0; i < count; ++i) {
        QRadioButton *button = m_items.at(i);
        button->setObjectName(objectName() + QLatin1Char('_') + QString::number(i));
        m_layout->addWidget(button, i % rows, i / rows);
    }
}

void RadioGroup::onButtonToggled(int id, bool checked)
{
    if (!checked || id == m_index)
        return;
    m_index = id;
    emit itemIndexChanged(id);
    emit clicked(id);
}
