#include "PictureListRules.h"

std::vector<platform::FilterPair> pictureFilter()
{
    return {
        {QStringLiteral("All Pictures"), QStringLiteral("*.bmp;*.gif;*.jpg;*.jpeg;*.tif;*.png")},
        {QStringLiteral("Bitmap (*.bmp)"), QStringLiteral("*.bmp")},
        {QStringLiteral("GIF (*.gif)"), QStringLiteral("*.gif")},
        {QStringLiteral("JPG (*.jpg;*.jpeg)"), QStringLiteral("*.jpg;*.jpeg")},
        {QStringLiteral("TIF (*.tif)"), QStringLiteral("*.tif")},
        {QStringLiteral("PNG (*.png)"), QStringLiteral("*.png")},
    };
}

std::optional<int> partsCount(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const int n = trimmed.toInt(&ok);
    if (!ok || n < 1 || n > 10)
        return std::nullopt;
    return n;
}

std::vector<int> removalOrder(const std::vector<bool> &selected)
{
    std::vector<int> order;
    for (int i = int(selected.size()) - 1; i >= 0; --i) {
        if (selected[size_t(i)])
            order.push_back(i);
    }
    return order;
}
