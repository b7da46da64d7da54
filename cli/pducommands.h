#pragma once

#include <QStringList>

// torvane-cli pdu decode / pdu encode: the SMS PDU codec on the command line.
int runPduDecode(const QStringList &args);
int runPduEncode(const QStringList &args);
