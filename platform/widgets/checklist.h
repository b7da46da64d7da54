#pragma once

#include <QStringList>

class QListWidget;
class QListWidgetItem;

// Check lists whose items the program sets without raising a user signal:
// a QListWidget's itemChanged also fires for programmatic check changes and
// text changes, so the last known check state is kept in each item and a
// signal goes out only when the user changed it.
namespace CheckList {
void setItems(QListWidget *list, const QStringList &texts);
void setChecked(QListWidget *list, int item, bool checked);
bool isChecked(const QListWidget *list, int item);
// For an itemChanged notification: true (and the new state remembered) when
// the item's check state differs from the last known one.
bool takeUserToggle(QListWidgetItem *item);
} // namespace CheckList
