#pragma once

#include <QDialog>

class QComboBox;
class TComPort;

// The port setup dialog of ossik (caption "Setup"): port (editable, so any
// device path can be typed), baud rate, data bits, stop bits, parity, flow
// control. OK applies the choice to the port object.
class TSetupDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TSetupDialog(QWidget *parent = nullptr);
    // Fills the fields from the port.
    void showSettings(const TComPort &port);
    // Applies the fields to the port (raises EComPort on an open port that refuses).
    void applySettings(TComPort &port) const;

    QComboBox *portBox() const { return m_port; }
    QComboBox *baudBox() const { return m_baud; }

private:
    QComboBox *m_port, *m_baud, *m_dataBits, *m_stopBits, *m_parity, *m_flow;
};
