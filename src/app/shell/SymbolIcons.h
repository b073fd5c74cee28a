#pragma once

#include <QColor>
#include <QImage>
#include <QQuickImageProvider>
#include <QString>

namespace stirwell {

// Stirwell's symbol set (SVGs embedded under ":/stirwell/symbols"), drawn in
// one colour at a given pixel size. Unknown names draw "figure.walk".
[[nodiscard]] QImage renderSymbol(const QString &name, const QColor &color, int pixels);

// "image://symbol/<name>/<rrggbb or aarrggbb>" for the QML screens.
class SymbolImageProvider final : public QQuickImageProvider {
public:
    SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
};

} // namespace stirwell
