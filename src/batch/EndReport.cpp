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

QString sizeText(QSize size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

} // namespace

QString failureReport(const RunOutcome &outcome)
{
    QStringList parts;
    if (!outcome.unreadable.isEmpty() || !outcome.unsaved.isEmpty()) {
        QStringList files;
        for (const QString &file : outcome.unreadable + outcome.unsaved)
            files << QDir::toNativeSeparators(file);
        parts << QStringLiteral("有 %1 个图片无法读取，%2 个分割块未能保存：\n")
                         .arg(outcome.unreadable.size())
                         .arg(outcome.unsaved.size()) +
                     fileLines(files);
    }
    if (outcome.oldFilesRemoved > 0)
        parts << QStringLiteral("未能保存的分割块的 %1 个同名旧文件已删除。")
                     .arg(outcome.oldFilesRemoved);
    if (!outcome.oldFilesKept.isEmpty()) {
        QStringList files;
        for (const QString &file : outcome.oldFilesKept)
            files << QDir::toNativeSeparators(file);
        parts << QStringLiteral("有 %1 个同名旧文件无法删除，仍是以前的内容：\n")
                         .arg(outcome.oldFilesKept.size()) +
                     fileLines(files);
    }
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
    return parts.join(QStringLiteral("\n\n"));
}
