#include "labellededit.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

LabelledEdit::LabelledEdit(QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
    , m_edit(new QLineEdit(this))
{
    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    m_label->setBuddy(m_edit);
    setFocusProxy(m_edit);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(m_edit, &QLineEdit::textChanged, this, &LabelledEdit::textChanged);
}

QString LabelledEdit::caption() const
{
    return m_label->text();
}

void LabelledEdit::setCaption(const QString &caption)
{
    m_label->setText(caption);
}

QString LabelledEdit::text() const
{
    return m_edit->text();
}

void LabelledEdit::setText(const QString &text)
{
    m_edit->setText(text);
}

bool LabelledEdit::isReadOnly() const
{
    return m_edit->isReadOnly();
}

void LabelledEdit::setReadOnly(bool readOnly)
{
    m_edit->setReadOnly(readOnly);
}

int LabelledEdit::maxLength() const
{
    return m_edit->maxLength();
}

void LabelledEdit::setMaxLength(int length)
{
    m_edit->setMaxLength(length);
}
