#include "services/storage/DataDirectory.h"

#include <QDir>
#include <QStandardPaths>

namespace stirwell {

QString defaultDataDirectory()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + QStringLiteral("/Stirwell");
}

} // namespace stirwell
