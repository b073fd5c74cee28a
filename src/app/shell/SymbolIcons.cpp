#include "app/shell/SymbolIcons.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace stirwell {

QImage renderSymbol(const QString &name, const QColor &color, int pixels)
{
    QFile file(QStringLiteral(":/stirwell/symbols/%1.svg").arg(name));
    if (!file.open(QIODevice::ReadOnly)) {
        file.setFileName(QStringLiteral(":/stirwell/symbols/figure.walk.svg"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
    }
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(color.alphaF());
    renderer.render(&painter);
    return image;
}

QImage SymbolImageProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const qsizetype slash = id.lastIndexOf(QLatin1Char('/'));
    const QString name = slash < 0 ? id : id.left(slash);
    const QString hex = slash < 0 ? QStringLiteral("ffffff") : id.mid(slash + 1);
    const QColor color(QLatin1Char('#') + hex);
    const int pixels = requestedSize.isValid() ? std::max(requestedSize.width(), requestedSize.height()) : 48;
    QImage image = renderSymbol(name, color.isValid() ? color : QColor(Qt::white), pixels);
    if (size)
        *size = image.size();
    return image;
}

} // namespace stirwell
