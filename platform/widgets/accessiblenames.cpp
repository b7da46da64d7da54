#include "accessiblenames.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>

namespace {

// Marks a name this function gave, so that the next language load renews it.
const char *const GivenName = "torvaneGivenAccessibleName";

QString plain(QString text)
{
    // "&Jméno :" reads "Jméno".
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    while (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

bool needsName(QWidget *w)
{
    if (w->focusPolicy() == Qt::NoFocus)
        return false;
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->isEditable();
    if (qobject_cast<QLineEdit *>(w)) {
        // The edit of an editable combo box or a spin box is named with it.
        QWidget *p = w->parentWidget();
        return !qobject_cast<QComboBox *>(p) && !qobject_cast<QAbstractSpinBox *>(p);
    }
    return qobject_cast<QAbstractItemView *>(w) || qobject_cast<QTextEdit *>(w)
           || qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QAbstractSpinBox *>(w);
}

QString besideText(QWidget *w, const QList<QLabel *> &labels)
{
    for (QLabel *label : labels)
        if (label->buddy() == w && !plain(label->text()).isEmpty())
            return plain(label->text());
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        if (auto *group = qobject_cast<QGroupBox *>(p); group && !plain(group->title()).isEmpty())
            return plain(group->title());
        // A page of a tab widget: the page widget's parent is the tab
        // widget's stack.
        if (auto *stack = qobject_cast<QStackedWidget *>(p->parentWidget())) {
            if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget())) {
                const int index = tabs->indexOf(p);
                if (index >= 0 && !plain(tabs->tabText(index)).isEmpty())
                    return plain(tabs->tabText(index));
            }
        }
    }
    // A dialog's only text area or list: named after the dialog.
    return plain(w->window()->windowTitle());
}

} // namespace

void NameUnlabelledControls(QWidget *root)
{
    const QList<QLabel *> labels = root->findChildren<QLabel *>();
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : std::as_const(widgets)) {
        if (!needsName(w))
            continue;
        if (!w->accessibleName().isEmpty() && !w->property(GivenName).toBool())
            continue;
        const QString name = besideText(w, labels);
        w->setAccessibleName(name);
        w->setProperty(GivenName, !name.isEmpty());
    }
}
