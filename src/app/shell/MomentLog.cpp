#include "app/shell/MomentLog.h"

#include <QTextStream>

namespace stirwell {

MomentLog::MomentLog() { m_clock.start(); }

void MomentLog::print(const QString &text) const
{
    if (!m_enabled)
        return;
    const double ms = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
    QTextStream(stdout) << text << " [t=" << QString::number(ms, 'f', 1) << " ms]" << Qt::endl;
}

void MomentLog::printOrigin() const
{
    if (!m_enabled)
        return;
    // QElapsedTimer reads CLOCK_MONOTONIC on Linux; msecsSinceReference is
    // the start of this clock on that scale.
    QTextStream(stdout) << "moments count from monotonic " << m_clock.msecsSinceReference() << " ms" << Qt::endl;
}

} // namespace stirwell
