#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

// A one-line edit with its caption above it, addressed as one control: the
// language loader sets the caption, the page reads and writes the text.
class LabelledEdit : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged USER true)
    Q_PROPERTY(bool readOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength)

public:
    explicit LabelledEdit(QWidget *parent = nullptr);

    QString caption() const;
    // "&" marks the accelerator letter that moves the focus into the edit.
    void setCaption(const QString &caption);

    QString text() const;
    // Fires textChanged like typing does.
    void setText(const QString &text);

    bool isReadOnly() const;
    void setReadOnly(bool readOnly);
    int maxLength() const;
    void setMaxLength(int length);

    QLabel *label() const { return m_label; }
    QLineEdit *lineEdit() const { return m_edit; }

signals:
    // Every change of the text, typed or set in code.
    void textChanged(const QString &text);

private:
    QLabel *m_label;
    QLineEdit *m_edit;
};
