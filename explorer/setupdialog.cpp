#include "setupdialog.h"

#include "comport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

TSetupDialog::TSetupDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Setup"));
    setWindowTitle(QStringLiteral("Setup"));
    auto *form = new QFormLayout(this);
    auto combo = [this](const char *name, const QStringList &items) {
        auto *box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        box->addItems(items);
        return box;
    };
    m_port = combo("Port", {});
    m_port->setEditable(true);
    m_baud = combo("BaudRate", TComPort::BaudTexts());
    m_dataBits = combo("DataBits", TComPort::DataBitTexts());
    m_stopBits = combo("StopBits", TComPort::StopBitTexts());
    m_parity = combo("Parity", TComPort::ParityTexts());
    m_flow = combo("FlowControl", TComPort::FlowControlTexts());
    form->addRow(QStringLiteral("Port"), m_port);
    form->addRow(QStringLiteral("Baud rate"), m_baud);
    form->addRow(QStringLiteral("Data bits"), m_dataBits);
    form->addRow(QStringLiteral("Stop bits"), m_stopBits);
    form->addRow(QStringLiteral("Parity"), m_parity);
    form->addRow(QStringLiteral("Flow control"), m_flow);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TSetupDialog::showSettings(const TComPort &port)
{
    m_port->clear();
    m_port->addItems(SystemPortNames());
    m_port->setCurrentText(port.Port());
    m_baud->setCurrentText(port.BaudRateText());
    m_dataBits->setCurrentText(port.DataBitsText());
    m_stopBits->setCurrentText(port.StopBitsText());
    m_parity->setCurrentText(port.ParityText());
    m_flow->setCurrentText(port.FlowControlText());
}

void TSetupDialog::applySettings(TComPort &port) const
{
    port.setPort(m_port->currentText().trimmed());
    port.setBaudRateText(m_baud->currentText());
    port.setDataBitsText(m_dataBits->currentText());
    port.setStopBitsText(m_stopBits->currentText());
    port.setParityText(m_parity->currentText());
    port.setFlowControlText(m_flow->currentText());
}
