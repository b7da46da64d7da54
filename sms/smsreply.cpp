#include "smsreply.h"

#include "attransport.h"

void SmsReplyReader::start(const QByteArray &command, bool wantPrompt)
{
    m_command = command;
    m_wantPrompt = wantPrompt;
    m_pending.clear();
    m_sawEcho = false;
}

QList<SmsReplyReader::Item> SmsReplyReader::feed(const QByteArray &bytes)
{
    QList<Item> items;
    for (const char c : bytes) {
        if (c != '\r' && c != '\n') {
            m_pending.append(c);
            if (m_pending.size() > MaxPending)
                m_pending.remove(0, m_pending.size() - MaxPending);
            // The prompt is the only thing that comes without a line end.
            if (m_wantPrompt && m_pending.trimmed() == ">") {
                m_pending.clear();
                m_wantPrompt = false;
                items.append({Event::Prompt});
            }
            continue;
        }
        const QByteArray line = m_pending.trimmed();
        m_pending.clear();
        if (!line.isEmpty() && line == m_command) {
            m_sawEcho = true;
            continue;
        }
        if (line.isEmpty() || IsUnsolicitedResult(line))
            continue;
        if (IsErrorResultLine(line)) {
            items.append({Event::Error, -1, line});
        } else if (line.startsWith("+CMGS:")) {
            bool ok = false;
            const int mr = line.mid(6).trimmed().toInt(&ok);
            items.append({Event::Reference, ok ? mr : -1, line});
        } else if (IsFinalResultLine(line)) {
            items.append({Event::Ok, -1, line});
        }
    }
    return items;
}
