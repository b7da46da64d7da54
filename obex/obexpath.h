#pragma once

// The handset path label of the explorer: "\" for the root, or "\" and
// components each ended by "\" ("\mmc\pictures\"). Pure text functions.

#include <QString>
#include <QStringList>

// The n-th component (1-based) of the label, or empty when there are fewer.
QString PathComponent(const QString &label, int n);
// Every component of the label, in order.
QStringList PathComponents(const QString &label);

// The label after a folder change. up: the last component is dropped (the
// root stays the root). Otherwise the name, with its first "[" and first "]"
// removed, is appended followed by "\" (so "\mmc" after an emptied label
// gives "\mmc\"); an empty name leaves the label as it is.
QString ChangeFolder(const QString &label, const QString &name, bool up);
