#include "runtime/TimeScale.h"

#include <cmath>

namespace stirwell {

std::optional<double> parseTimeScale(const QStringList &arguments)
{
    static const QString option = QStringLiteral("--time-scale");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString text;
        if (arguments[i] == option) {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            text = arguments[i + 1];
        } else if (arguments[i].startsWith(option + QLatin1Char('='))) {
            text = arguments[i].mid(option.size() + 1);
        } else {
            continue;
        }
        bool ok = false;
        const double scale = text.toDouble(&ok);
        if (!ok || !std::isfinite(scale) || scale <= 0)
            return std::nullopt;
        return scale;
    }
    return 1.0;
}

} // namespace stirwell
