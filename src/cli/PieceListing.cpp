#include "PieceListing.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString planStatusText(PieceRecord::Status status)
{
    switch (status) {
    case PieceRecord::Status::Saved:
        return QStringLiteral("保存");
    case PieceRecord::Status::Skipped:
        return QStringLiteral("跳过（已存在）");
    case PieceRecord::Status::Failed:
        return QStringLiteral("失败");
    case PieceRecord::Status::NoFile:
        break;
    }
    return QStringLiteral("无文件");
}

QJsonValue orNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

QString planLine(const PieceRecord &record)
{
    const QRect &r = record.rect;
    QStringList fields{
        QFileInfo(record.path).fileName(),
        QDir::toNativeSeparators(record.picture),
        QString::number(record.pictureNumber),
        QString::number(record.frame),
        r.isNull()
            ? QStringLiteral("-")
            : QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()),
        planStatusText(record.status)};
    if (!record.reason.isEmpty())
        fields << record.reason;
    return fields.join(QLatin1Char('\t'));
}

QByteArray manifestLine(const PieceRecord &record)
{
    const QRect &r = record.rect;
    const QJsonValue rect =
        r.isNull()
            ? QJsonValue()
            : QJsonObject{{"x", r.x()}, {"y", r.y()}, {"width", r.width()}, {"height", r.height()}};
    const QJsonObject line{
        {"name", QFileInfo(record.path).fileName()},
        {"picture", QDir::toNativeSeparators(record.picture)},
        {"pictureNumber", record.pictureNumber},
        {"frame", record.frame},
        {"rect", rect},
        {"status", pieceStatusName(record.status)},
        {"reason", orNull(record.reason)},
        {"sha256", orNull(QString::fromLatin1(record.sha256))},
    };
    return QJsonDocument(line).toJson(QJsonDocument::Compact);
}

QByteArray manifestBytes(const std::vector<PieceRecord> &records)
{
    QByteArray bytes;
    for (const PieceRecord &record : records)
        bytes += manifestLine(record) + '\n';
    return bytes;
}
