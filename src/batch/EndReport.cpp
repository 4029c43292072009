#include "EndReport.h"

#include <QDir>

namespace {

// Up to the most files a box names, one a line, then "……" when there are more.
QString fileLines(const QStringList &files)
{
    QString text;
    for (qsizetype i = 0; i < files.size() && i < reportedFilesMax; ++i)
        text += QStringLiteral("\n") + files.at(i);
    if (files.size() > reportedFilesMax)
        text += QStringLiteral("\n……");
    return text;
}

QString withReason(const QString &file, const QString &reason)
{
    const QString path = QDir::toNativeSeparators(file);
    return reason.isEmpty() ? path : path + QStringLiteral("：") + reason;
}

QString nativeLines(const QStringList &files)
{
    QStringList native;
    for (const QString &file : files)
        native << QDir::toNativeSeparators(file);
    return fileLines(native);
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

} // namespace

QString failureReport(const RunOutcome &outcome)
{
    QStringList parts;
    if (!outcome.unreadable.isEmpty() || !outcome.unsaved.isEmpty()) {
        // Each with its reason: Qt's own words, or the program's.
        QStringList files;
        for (const QString &file : outcome.unreadable)
            files << withReason(file, outcome.whyUnreadable.value(file));
        for (const QString &file : outcome.unsaved)
            files << withReason(file, outcome.whyUnsaved.value(file));
        parts << QStringLiteral("有 %1 个图片无法读取，%2 个分割块未能保存：\n")
                         .arg(outcome.unreadable.size())
                         .arg(outcome.unsaved.size()) +
                     fileLines(files);
    }
    if (outcome.oldFilesRemoved > 0)
        parts << QStringLiteral("未能保存的分割块的 %1 个同名旧文件已删除。")
                     .arg(outcome.oldFilesRemoved);
    if (!outcome.oldFilesKept.isEmpty())
        parts << QStringLiteral("有 %1 个同名旧文件无法删除，仍是以前的内容：\n")
                         .arg(outcome.oldFilesKept.size()) +
                     nativeLines(outcome.oldFilesKept);
    // Pieces renamed into place whose disk then failed: not earlier files.
    if (outcome.piecesRemovedAfterDiskError > 0)
        parts << QStringLiteral("有 %1 个分割块已写入，但磁盘报告写入出错，已将其删除。")
                     .arg(outcome.piecesRemovedAfterDiskError);
    if (!outcome.piecesLeftAfterDiskError.isEmpty())
        parts << QStringLiteral("有 %1 个分割块写入时磁盘报告出错，且无法删除，可能不完整：\n")
                         .arg(outcome.piecesLeftAfterDiskError.size()) +
                     nativeLines(outcome.piecesLeftAfterDiskError);
    if (!outcome.otherSize.isEmpty()) {
        QStringList files;
        for (const SizedPicture &picture : outcome.otherSize)
            files << QDir::toNativeSeparators(picture.path) + QStringLiteral("（") +
                         sizeText(picture.size) + QStringLiteral("）");
        parts << QStringLiteral("有 %1 个图片的尺寸与样本（%2）不同，分割块可能不完整：\n")
                         .arg(outcome.otherSize.size())
                         .arg(sizeText(outcome.sampleSize)) +
                     fileLines(files);
    }
    if (!outcome.unwrittenBooks.isEmpty()) {
        QStringList files;
        for (const QString &file : outcome.unwrittenBooks)
            files << withReason(file, outcome.whyBookUnwritten.value(file));
        parts
            << QStringLiteral("有 %1 个 PDF 文件未能生成：\n").arg(outcome.unwrittenBooks.size()) +
                   fileLines(files);
    }
    if (outcome.booksStopped)
        parts << QStringLiteral("分割已停止，没有生成 PDF 文件；已保存的分割块都保留。");
    return parts.join(QStringLiteral("\n\n"));
}
