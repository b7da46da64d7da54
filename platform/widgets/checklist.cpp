#include "checklist.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace {

// The last check state the program knows of, kept in each item.
constexpr int KnownCheckRole = Qt::UserRole + 1;

} // namespace

namespace CheckList {

void setItems(QListWidget *list, const QStringList &texts)
{
    const QSignalBlocker block(list);
    list->clear();
    for (const QString &t : texts) {
        auto *item = new QListWidgetItem(t, list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setData(KnownCheckRole, false);
    }
}

void setChecked(QListWidget *list, int item, bool checked)
{
    QListWidgetItem *it = list->item(item);
    if (!it)
        return;
    const QSignalBlocker block(list);
    it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    it->setData(KnownCheckRole, checked);
}

bool isChecked(const QListWidget *list, int item)
{
    const QListWidgetItem *it = list->item(item);
    return it && it->checkState() == Qt::Checked;
}

bool takeUserToggle(QListWidgetItem *item)
{
    const bool now = item->checkState() == Qt::Checked;
    if (now == item->data(KnownCheckRole).toBool())
        return false;
    QListWidget *list = item->listWidget();
    const QSignalBlocker block(list);
    item->setData(KnownCheckRole, now);
    return true;
}

} // namespace CheckList
