#pragma once

#include <QDialog>

namespace Ui {
class TFrmAbout;
}

// The about box "O programu": title with the version text, the e-mail and
// web links, the two texts "oprgl.txt" and "oprgr.txt" of the program folder
// (read afresh, as Windows-1250, each time the box is shown) and two logos.
class TFrmAbout : public QDialog
{
    Q_OBJECT

public:
    static const QString MailAddress;
    static const QString WebAddress;

    TFrmAbout(const QString &programFolder, QWidget *mainWindow);
    ~TFrmAbout() override;

    // The version text shown after "Torvane komunikátor v. ".
    void setVersionText(const QString &version);

    // Centres the box on the main window and sets the title.
    void FormActivate();
    // Loads the two text files; a file that cannot be read leaves its box empty.
    void FormShow();
    void Label2Click();
    void Label3Click();

    // The logo drawn for the about box and the tray icon.
    static QPixmap logo(int size, bool inverted = false);

protected:
    void showEvent(QShowEvent *event) override;

private:
    Ui::TFrmAbout *ui;
    QString m_programFolder;
    QString m_version;
    QWidget *m_mainWindow;
};
