#include "LayoutFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 int32Max = std::numeric_limits<qint32>::max();
// A layout is a few hundred bytes; anything this large is another file picked by mistake.
constexpr qint64 layoutFileMaxBytes = 1024 * 1024;

// Reads the fields of one JSON object, naming the first missing or mistyped one in the
// refusal. owner says whose fields they are ("分割框 3 的"), empty at the top.
class FieldReader
{
public:
    FieldReader(const QJsonObject &object, QString owner, QString &error)
        : object_(object), owner_(std::move(owner)), error_(error)
    {}

    std::optional<QJsonValue> value(const char *key) const
    {
        const QJsonValue value = object_.value(QLatin1String(key));
        if (value.isUndefined()) {
            error_ = QStringLiteral("布局文件缺少%1。").arg(label(key));
            return std::nullopt;
        }
        return value;
    }

    // A whole number; JSON keeps every number as a double, so 2.5 or 1e300 is refused here.
    std::optional<qint64> wholeNumber(const char *key) const
    {
        const std::optional<QJsonValue> found = value(key);
        if (!found)
            return std::nullopt;
        const double number = found->toDouble(0.5);
        if (!found->isDouble() || std::floor(number) != number || std::abs(number) > 1e15)
            return wrongType(key, "整数");
        return qint64(number);
    }

    std::optional<QString> text(const char *key) const
    {
        return typed(
            key, &QJsonValue::isString, [](const QJsonValue &v) { return v.toString(); }, "字符串");
    }

    std::optional<QJsonObject> object(const char *key) const
    {
        return typed(
            key, &QJsonValue::isObject, [](const QJsonValue &v) { return v.toObject(); }, "对象");
    }

    std::optional<QJsonArray> array(const char *key) const
    {
        return typed(
            key, &QJsonValue::isArray, [](const QJsonValue &v) { return v.toArray(); }, "数组");
    }

    QString label(const char *key) const
    {
        return owner_ + QStringLiteral("“%1”").arg(QLatin1String(key));
    }

private:
    // The field as take gives it when is says it has that kind; else the refusal.
    template <class Take>
    auto typed(const char *key, bool (QJsonValue::*is)() const, Take take, const char *kind) const
        -> std::optional<decltype(take(QJsonValue()))>
    {
        const std::optional<QJsonValue> found = value(key);
        if (!found)
            return std::nullopt;
        if (!((*found).*is)())
            return wrongType(key, kind);
        return take(*found);
    }

    std::nullopt_t wrongType(const char *key, const char *kind) const
    {
        error_ = QStringLiteral("布局文件中%1应为%2。").arg(label(key), QString::fromUtf8(kind));
        return std::nullopt;
    }

    const QJsonObject &object_;
    const QString owner_;
    QString &error_;
};

// A frame's rectangle must lie inside some picture a 32-bit size can describe.
bool insideAnyPicture(const qint64 x, const qint64 y, const qint64 width, const qint64 height)
{
    return x >= 0 && y >= 0 && width > 0 && height > 0 && x + width <= int32Max &&
           y + height <= int32Max;
}

// True for one of the letters step 2 offers for that many parts.
bool offeredLetter(const QString &letter, int parts)
{
    for (int i = 0; i < parts; ++i) {
        if (letter == defaultLetter(i))
            return true;
    }
    return false;
}

// Frame `number` (1-based) of a layout of `parts` frames; the letter must be one step 2
// offers for that many parts, so no name can leave the output folder. A frame must touch
// the turned sample it was placed on, else it would cut nothing from any page like it.
std::optional<SplitFrame> readFrame(const QJsonValue &value, int number, int parts,
                                    const QSize &turnedSample, QString &error)
{
    const QString owner = QStringLiteral("分割框 %1 的").arg(number);
    if (!value.isObject()) {
        error = QStringLiteral("布局文件中分割框 %1 应为对象。").arg(number);
        return std::nullopt;
    }
    const QJsonObject object = value.toObject();
    const FieldReader fields(object, owner, error);
    const std::optional<QString> letter = fields.text("letter");
    const std::optional<qint64> x = letter ? fields.wholeNumber("x") : std::nullopt;
    const std::optional<qint64> y = x ? fields.wholeNumber("y") : std::nullopt;
    const std::optional<qint64> width = y ? fields.wholeNumber("width") : std::nullopt;
    const std::optional<qint64> height = width ? fields.wholeNumber("height") : std::nullopt;
    if (!height)
        return std::nullopt;
    if (!offeredLetter(*letter, parts)) {
        error = QStringLiteral("布局文件中分割框 %1 的首字母“%2”无效，应为 %3 到 %4 中的一个字母。")
                    .arg(number)
                    .arg(*letter, defaultLetter(0), defaultLetter(parts - 1));
        return std::nullopt;
    }
    if (!insideAnyPicture(*x, *y, *width, *height)) {
        error = QStringLiteral("布局文件中分割框 %1 的矩形不在图片之内：起点不能为负，宽和高必须"
                               "大于 0，右边和下边不能超过 %2 像素。")
                    .arg(number)
                    .arg(int32Max);
        return std::nullopt;
    }
    if (*x >= turnedSample.width() || *y >= turnedSample.height()) {
        error = QStringLiteral("布局文件中分割框 %1 完全在样本图片（旋转后 %2×%3 像素）之外，"
                               "分割不出任何内容。")
                    .arg(number)
                    .arg(turnedSample.width())
                    .arg(turnedSample.height());
        return std::nullopt;
    }
    return SplitFrame{QRect(int(*x), int(*y), int(*width), int(*height)), *letter};
}

std::optional<QSize> readSampleSize(const FieldReader &top, QString &error)
{
    const std::optional<QJsonObject> sample = top.object("sample");
    if (!sample)
        return std::nullopt;
    const FieldReader fields(*sample, QStringLiteral("样本的"), error);
    const std::optional<qint64> width = fields.wholeNumber("width");
    const std::optional<qint64> height = width ? fields.wholeNumber("height") : std::nullopt;
    if (!height)
        return std::nullopt;
    if (*width < 1 || *width > int32Max || *height < 1 || *height > int32Max) {
        error = QStringLiteral("布局文件中样本的尺寸无效：宽和高必须是 1 到 %1 之间的整数。")
                    .arg(int32Max);
        return std::nullopt;
    }
    return QSize(int(*width), int(*height));
}

// The frames after the count checks, so that a long list is refused before it is read.
std::optional<std::vector<SplitFrame>> readFrames(const FieldReader &top, qint64 parts,
                                                  const QSize &turnedSample, QString &error)
{
    const std::optional<QJsonArray> list = top.array("frames");
    if (!list)
        return std::nullopt;
    if (list->size() > layoutMaxFrames) {
        error = QStringLiteral("布局文件中有 %1 个分割框，最多只能有 %2 个。")
                    .arg(list->size())
                    .arg(layoutMaxFrames);
        return std::nullopt;
    }
    if (list->size() != parts) {
        error = QStringLiteral("布局文件中的分割数量是 %1，但有 %2 个分割框。")
                    .arg(parts)
                    .arg(list->size());
        return std::nullopt;
    }
    std::vector<SplitFrame> frames;
    for (qsizetype i = 0; i < list->size(); ++i) {
        std::optional<SplitFrame> frame =
            readFrame(list->at(i), int(i + 1), int(parts), turnedSample, error);
        if (!frame)
            return std::nullopt;
        frames.push_back(std::move(*frame));
    }
    return frames;
}

// The version first: a newer file is named as such, not as one missing this version's fields.
std::optional<SavedLayout> readLayout(const QJsonObject &root, QString &error)
{
    const FieldReader top(root, QString(), error);
    const std::optional<qint64> version = top.wholeNumber("format");
    if (!version)
        return std::nullopt;
    if (*version != layoutFormatVersion) {
        error = QStringLiteral("布局文件的版本是 %1，本程序只能读取版本 %2。")
                    .arg(*version)
                    .arg(layoutFormatVersion);
        return std::nullopt;
    }
    const std::optional<qint64> parts = top.wholeNumber("parts");
    if (!parts)
        return std::nullopt;
    if (*parts < 1 || *parts > layoutMaxFrames) {
        error = QStringLiteral("布局文件中的分割数量 %1 无效，应为 1 到 %2 之间的整数。")
                    .arg(*parts)
                    .arg(layoutMaxFrames);
        return std::nullopt;
    }
    const std::optional<qint64> degrees = top.wholeNumber("rotation");
    if (!degrees)
        return std::nullopt;
    const std::optional<Rotation> rotation = rotationOfDegrees(*degrees);
    if (!rotation) {
        error = QStringLiteral("布局文件中的旋转角度 %1 无效，只能是 0、90、180 或 270。")
                    .arg(*degrees);
        return std::nullopt;
    }
    const std::optional<QSize> sampleSize = readSampleSize(top, error);
    if (!sampleSize)
        return std::nullopt;
    const QSize turnedSample =
        quarterTurns(*rotation) % 2 == 1 ? sampleSize->transposed() : *sampleSize;
    std::optional<std::vector<SplitFrame>> frames = readFrames(top, *parts, turnedSample, error);
    if (!frames)
        return std::nullopt;
    return SavedLayout{std::move(*frames), *rotation, *sampleSize};
}

// A JSON string literal, quotes and escapes included.
QByteArray jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

SavedLayout layoutOfJob(const SplitJob &job)
{
    return SavedLayout{job.frames, job.rotation, job.sampleSize};
}

int rotationDegrees(Rotation rotation)
{
    return quarterTurns(rotation) * 90;
}

std::optional<Rotation> rotationOfDegrees(qint64 degrees)
{
    if (degrees < 0 || degrees > 270 || degrees % 90 != 0)
        return std::nullopt;
    return Rotation(degrees / 90);
}

QByteArray layoutFileBytes(const SavedLayout &layout)
{
    // Written by hand rather than through QJsonDocument, which sorts the keys: the file
    // reads top-down in the order the wizard's steps fill it, one frame a line.
    QByteArray out = "{\n";
    out += "    \"format\": " + QByteArray::number(layoutFormatVersion) + ",\n";
    out += "    \"parts\": " + QByteArray::number(qulonglong(layout.frames.size())) + ",\n";
    out += "    \"rotation\": " + QByteArray::number(rotationDegrees(layout.rotation)) + ",\n";
    out += "    \"sample\": {\"width\": " + QByteArray::number(layout.sampleSize.width()) +
           ", \"height\": " + QByteArray::number(layout.sampleSize.height()) + "},\n";
    out += "    \"frames\": [";
    for (size_t i = 0; i < layout.frames.size(); ++i) {
        const SplitFrame &frame = layout.frames[i];
        out += i == 0 ? "\n" : ",\n";
        out += "        {\"letter\": " + jsonString(frame.letter) +
               ", \"x\": " + QByteArray::number(frame.rect.x()) +
               ", \"y\": " + QByteArray::number(frame.rect.y()) +
               ", \"width\": " + QByteArray::number(frame.rect.width()) +
               ", \"height\": " + QByteArray::number(frame.rect.height()) + "}";
    }
    out += layout.frames.empty() ? "]\n}\n" : "\n    ]\n}\n";
    return out;
}

LayoutReadResult parseLayoutFile(const QByteArray &bytes)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return {std::nullopt, QStringLiteral("布局文件不是有效的 JSON（第 %1 个字符处出错）。")
                                  .arg(parseError.offset + 1)};
    if (!document.isObject())
        return {std::nullopt, QStringLiteral("布局文件的内容应为一个 JSON 对象。")};
    LayoutReadResult result;
    result.layout = readLayout(document.object(), result.error);
    return result;
}

QString sampleSizeNotice(const QSize &layoutSample, const QSize &shownSample)
{
    if (!shownSample.isValid() || layoutSample == shownSample)
        return {};
    return QStringLiteral("此分割布局是在 %1×%2 像素的图片上放置的，而当前样本图片是 %3×%4 "
                          "像素，分割出的图片可能会被截掉一部分。")
        .arg(layoutSample.width())
        .arg(layoutSample.height())
        .arg(shownSample.width())
        .arg(shownSample.height());
}

bool saveLayoutFile(const QString &path, const SavedLayout &layout, QString *error)
{
    const QByteArray bytes = layoutFileBytes(layout);
    // Never write a file this program would refuse to read back.
    const LayoutReadResult check = parseLayoutFile(bytes);
    QString reason = check.error;
    if (check.layout) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            reason = QStringLiteral("无法保存布局文件 %1：%2").arg(path, file.errorString());
    }
    if (error)
        *error = reason;
    return reason.isEmpty();
}

LayoutReadResult loadLayoutFile(const QString &path)
{
    QFile file(path);
    const auto unreadable = [&path, &file] {
        return LayoutReadResult{
            std::nullopt, QStringLiteral("无法读取布局文件 %1：%2").arg(path, file.errorString())};
    };
    const LayoutReadResult tooLarge{
        std::nullopt, QStringLiteral("文件 %1 太大（超过 1 MB），不是布局文件。").arg(path)};
    if (!file.open(QIODevice::ReadOnly))
        return unreadable();
    if (file.size() > layoutFileMaxBytes)
        return tooLarge;
    // A device or a pipe tells no size and may never end (/dev/zero, a FIFO): one byte past
    // the limit is enough to refuse it.
    QByteArray bytes;
    while (bytes.size() <= layoutFileMaxBytes) {
        const QByteArray chunk = file.read(layoutFileMaxBytes + 1 - bytes.size());
        if (chunk.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                return unreadable();
            break;
        }
        bytes += chunk;
    }
    if (bytes.size() > layoutFileMaxBytes)
        return tooLarge;
    return parseLayoutFile(bytes);
}
