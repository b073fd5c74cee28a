#include "app/shell/MomentLog.h"

#include <QTextStream>

namespace stirwell {

void MomentLog::print(const QString &text) const
{
    if (!m_enabled)
        return;
    const double ms = m_clock.elapsedMilliseconds();
    QTextStream(stdout) << text << " [t=" << QString::number(ms, 'f', 1) << " ms]" << Qt::endl;
}

void MomentLog::printOrigin() const
{
    if (!m_enabled)
        return;
    QTextStream(stdout) << "moments count from monotonic " << m_clock.originMilliseconds() << " ms" << Qt::endl;
}

} // namespace stirwell
