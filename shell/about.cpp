#include "about.h"
#include "ui_about.h"

#include "cp1250.h"

#include <QDesktopServices>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

const QString TFrmAbout::MailAddress = QStringLiteral("zenk@torvane.example");
const QString TFrmAbout::WebAddress = QStringLiteral("https://torvane.example/zenk");

namespace {

QString readText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return Cp1250::toUnicode(f.readAll());
}

QString linkHtml(const QString &shown)
{
    return QStringLiteral("<a href=\"#\" style=\"color:#000080\">%1</a>").arg(shown.toHtmlEscaped());
}

} // namespace

TFrmAbout::TFrmAbout(const QString &programFolder, QWidget *mainWindow)
    : QDialog(mainWindow)
    , ui(new Ui::TFrmAbout)
    , m_programFolder(programFolder)
    , m_mainWindow(mainWindow)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(600, 360);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    ui->Image1->setPixmap(logo(96));
    ui->Image2->setPixmap(logo(96, true));
    ui->Label2->setText(linkHtml(MailAddress));
    ui->Label3->setText(linkHtml(WebAddress));
    ui->Label2->setCursor(Qt::PointingHandCursor);
    ui->Label3->setCursor(Qt::PointingHandCursor);
    connect(ui->Label2, &QLabel::linkActivated, this, &TFrmAbout::Label2Click);
    connect(ui->Label3, &QLabel::linkActivated, this, &TFrmAbout::Label3Click);
}

TFrmAbout::~TFrmAbout()
{
    delete ui;
}

void TFrmAbout::setVersionText(const QString &version)
{
    m_version = version;
}

void TFrmAbout::FormActivate()
{
    if (m_mainWindow) {
        const QRect main = m_mainWindow->frameGeometry();
        move(main.left() + main.width() / 2 - width() / 2,
             main.top() + main.height() / 2 - height() / 2);
    }
    ui->Label1->setText(QStringLiteral("Torvane komunikátor v. ") + m_version);
}

void TFrmAbout::FormShow()
{
    ui->RichEdit1->setPlainText(readText(m_programFolder + QStringLiteral("oprgl.txt")));
    ui->RichEdit2->setPlainText(readText(m_programFolder + QStringLiteral("oprgr.txt")));
}

void TFrmAbout::Label2Click()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + MailAddress));
}

void TFrmAbout::Label3Click()
{
    QDesktopServices::openUrl(QUrl(WebAddress));
}

void TFrmAbout::showEvent(QShowEvent *event)
{
    FormActivate();
    FormShow();
    QDialog::showEvent(event);
}

QPixmap TFrmAbout::logo(int size, bool inverted)
{
    // A stylized handset with a signal arc: navy on white, or white on navy.
    const QColor navy(0, 0, 128);
    const QColor fg = inverted ? Qt::white : navy;
    const QColor bg = inverted ? navy : Qt::white;
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 96.0;
    p.setPen(QPen(navy, 2 * s));
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(2 * s, 2 * s, 92 * s, 92 * s), 14 * s, 14 * s);

    // the handset
    p.setPen(Qt::NoPen);
    p.setBrush(fg);
    p.drawRoundedRect(QRectF(30 * s, 18 * s, 30 * s, 62 * s), 6 * s, 6 * s);
    p.setBrush(bg);
    p.drawRect(QRectF(35 * s, 25 * s, 20 * s, 22 * s));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            p.drawEllipse(QRectF((36 + c * 7) * s, (53 + r * 7) * s, 4 * s, 4 * s));
    // the antenna and the signal arcs
    p.setBrush(fg);
    p.drawRect(QRectF(52 * s, 10 * s, 4 * s, 10 * s));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(fg, 3 * s, Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i <= 2; ++i) {
        const qreal r = 8 * s * i;
        p.drawArc(QRectF(54 * s - r, 12 * s - r, 2 * r, 2 * r), 0 * 16, 70 * 16);
    }
    // the letter Z
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(int(14 * s));
    p.setFont(f);
    p.setPen(fg);
    p.drawText(QRectF(64 * s, 62 * s, 24 * s, 20 * s), Qt::AlignCenter, QStringLiteral("Z"));
    return pm;
}
