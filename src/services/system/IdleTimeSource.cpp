#include "services/system/IdleTimeSource.h"

#include "services/observability/TimerDiagnosticsLogger.h"

#include <QStringList>

namespace stirwell {

std::shared_ptr<IdleTimeSource>
selectIdleTimeSource(std::vector<std::unique_ptr<IdleTimeSource>> candidates, TimerDiagnosticsLogger *logger)
{
    std::shared_ptr<IdleTimeSource> chosen;
    QStringList probed;
    for (auto &candidate : candidates) {
        if (!candidate)
            continue;
        const bool works = candidate->probe();
        probed << candidate->name() + (works ? QStringLiteral(":yes") : QStringLiteral(":no"));
        if (works) {
            chosen = std::move(candidate);
            break;
        }
    }
    if (!chosen)
        chosen = std::make_shared<NoIdleTimeSource>();
    if (logger) {
        logger->log(QStringLiteral("idle.source_selected"),
                    {{QStringLiteral("source"), chosen->name()}, {QStringLiteral("probed"), probed.join(u',')}});
    }
    return chosen;
}

IdleDetector::IdleTimeProvider idleTimeProvider(std::shared_ptr<IdleTimeSource> source)
{
    return [source = std::move(source)] {
        if (!source)
            return 0.0;
        const std::optional<double> seconds = source->idleSeconds();
        return seconds && *seconds > 0 ? *seconds : 0.0;
    };
}

} // namespace stirwell
