#include "PageEntry.h"

#include "PdfPages.h"

#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

namespace imaging {

namespace {

bool hasPagedSuffix(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("tif"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("tiff"), Qt::CaseInsensitive) == 0;
}

int pagesOf(const QString &path)
{
    if (looksLikePdf(path)) {
        PdfPages pdf;
        return pdf.open(path) == Status::Ok ? pdf.pageCount() : 1;
    }
    QImageReader reader(path);
    if (reader.format() != "tiff")
        return 1;
    return qMax(1, reader.imageCount());
}

} // namespace

PageOfFile pageOfEntry(const QString &entry)
{
    static const QRegularExpression pageSuffix(QStringLiteral("（第 ([1-9][0-9]{0,8}) 页）$"));
    const QRegularExpressionMatch match = pageSuffix.match(entry);
    if (match.hasMatch()) {
        const QString path = entry.left(match.capturedStart());
        if (hasPagedSuffix(path))
            return {path, match.captured(1).toInt() - 1};
    }
    return {entry, 0};
}

QString pageEntry(const QString &path, int page)
{
    return QStringLiteral("%1（第 %2 页）").arg(path).arg(page + 1);
}

QStringList entriesOfFile(const QString &path)
{
    if (!hasPagedSuffix(path))
        return {path};
    const int pages = pagesOf(path);
    if (pages <= 1)
        return {path};
    QStringList entries;
    entries.reserve(pages);
    for (int page = 0; page < pages; ++page)
        entries << pageEntry(path, page);
    return entries;
}

} // namespace imaging
