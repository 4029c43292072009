#include "PiecePlan.h"

#include "OwnPictures.h"
#include "PieceNaming.h"
#include "imaging/FileSystem.h"
#include "imaging/Picture.h"

std::vector<PieceRecord> planRun(const RunSnapshot &snapshot, OutputFormat format)
{
    std::vector<PieceRecord> records;
    const PieceNaming naming(snapshot);
    const OwnPictures own(snapshot.pictures);
    imaging::ReadOptions reading = snapshot.reading;
    if (!reading.openPdfs)
        reading.openPdfs = std::make_shared<imaging::OpenPdfs>();
    for (qint64 i = 1; i <= snapshot.pictures.size(); ++i) {
        const QString &path = snapshot.pictures.at(i - 1);
        imaging::Picture picture;
        picture.setOptions(reading);
        const imaging::Status status = picture.open(path);
        for (qint64 k = 1; k <= qint64(naming.frames.size()); ++k) {
            PieceRecord record;
            record.picture = path;
            record.pictureNumber = naming.pictureNumber(i);
            record.runningNumber = naming.number(i, k);
            record.frame = int(k);
            record.path = naming.target(i, k, format);
            if (status != imaging::Status::Ok) {
                record.status = PieceRecord::Status::Failed;
                record.reason = picture.errorString().isEmpty() ? imaging::statusText(status)
                                                                : picture.errorString();
            } else {
                // Unturned: the naming turns it.
                record.rect = naming.cut(k, picture.dimensions().toSize());
                if (record.rect.isNull())
                    record.status = PieceRecord::Status::NoFile;
                else if (snapshot.skipExisting && imaging::fileExists(record.path))
                    record.status = PieceRecord::Status::Skipped;
                else if (own.wouldReplace(record.path))
                    record.status = PieceRecord::Status::Failed;
                else
                    record.status = PieceRecord::Status::Saved;
                if (record.status == PieceRecord::Status::Failed)
                    record.reason = OwnPictures::reason();
            }
            records.push_back(std::move(record));
        }
    }
    return records;
}
