#pragma once

#include <QDateTime>

// The PC's clock as the programs see it. Tests put a fixed time in its place.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock final : public Clock
{
public:
    explicit FixedClock(QDateTime t) : m_time(std::move(t)) {}
    QDateTime now() const override { return m_time; }
    void set(QDateTime t) { m_time = std::move(t); }

private:
    QDateTime m_time;
};
