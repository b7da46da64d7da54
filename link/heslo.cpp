#include "heslo.h"
#include "ui_heslo.h"

#include "cp1250.h"

#include <QProxyStyle>
#include <QShowEvent>

namespace {

// Shows every character of a password edit as "*", whatever the desktop's
// style would use.
class AsteriskEchoStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

THesloForm::THesloForm(QWidget *mainWindow)
    : QDialog(mainWindow)
    , ui(new Ui::THesloForm)
    , m_mainWindow(mainWindow)
    , m_echoStyle(new AsteriskEchoStyle)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("THesloForm"));
    // A fixed dialog frame with only the close box.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                   | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // The style lives as long as the dialog, after the edits that use it.
    m_echoStyle->setParent(this);
    ui->PuvodniHeslo->setStyle(m_echoStyle);
    ui->NoveHeslo->setStyle(m_echoStyle);

    connect(ui->Heslo_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->Heslo_zrus, &QPushButton::clicked, this, &THesloForm::reject);

    setFixedSize(QSize(DesignWidth, DesignHeight).expandedTo(minimumSizeHint()));
}

THesloForm::~THesloForm()
{
    delete ui;
}

QLabel *THesloForm::Label1() const { return ui->Label1; }
QLabel *THesloForm::Label2() const { return ui->Label2; }
QLineEdit *THesloForm::PuvodniHeslo() const { return ui->PuvodniHeslo; }
QLineEdit *THesloForm::NoveHeslo() const { return ui->NoveHeslo; }
QPushButton *THesloForm::Heslo_OK() const { return ui->Heslo_OK; }
QPushButton *THesloForm::Heslo_zrus() const { return ui->Heslo_zrus; }

void THesloForm::prepare(const QString &caption, bool oldEnabled, bool newEnabled)
{
    setWindowTitle(caption);
    ui->PuvodniHeslo->setEnabled(oldEnabled);
    ui->NoveHeslo->setEnabled(newEnabled);
}

void THesloForm::clearCodes()
{
    ui->PuvodniHeslo->clear();
    ui->NoveHeslo->clear();
}

QByteArray THesloForm::oldCode() const
{
    return Cp1250::fromUnicode(ui->PuvodniHeslo->text());
}

QByteArray THesloForm::newCode() const
{
    return Cp1250::fromUnicode(ui->NoveHeslo->text());
}

void THesloForm::reject()
{
    clearCodes();
    QDialog::reject();
}

void THesloForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || !m_mainWindow)
        return;
    const QRect main = m_mainWindow->window()->frameGeometry();
    const QRect own = frameGeometry();
    move(main.left() + main.width() / 2 - own.width() / 2,
         main.top() + main.height() / 2 - own.height() / 2);
}
