#include "PageEntry.h"

#include "PdfPages.h"

#include <QFileInfo>
#include <QImageReader>

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
    // Plain string work: this runs on the run's worker threads for every picture.
    static const QString opening = QStringLiteral("（第 "), closing = QStringLiteral(" 页）");
    if (!entry.endsWith(closing))
        return {entry, 0};
    const qsizetype start = entry.lastIndexOf(opening);
    if (start < 0)
        return {entry, 0};
    const qsizetype digitsAt = start + opening.size();
    const QStringView digits =
        QStringView(entry).mid(digitsAt, entry.size() - closing.size() - digitsAt);
    bool isNumber = digits.size() >= 1 && digits.size() <= 9 && digits.front() != u'0';
    for (const QChar c : digits)
        isNumber = isNumber && c >= u'0' && c <= u'9';
    const QString path = entry.left(start);
    if (!isNumber || !hasPagedSuffix(path))
        return {entry, 0};
    return {path, digits.toInt() - 1};
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
