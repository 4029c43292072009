#include "BookMaking.h"

#include "imaging/PdfBook.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace {

QString folderName(const QString &folder)
{
    const QString name = QFileInfo(QDir::cleanPath(folder)).fileName();
    return name.isEmpty() ? QStringLiteral("分割") : name;
}

} // namespace

QString bookName(const QString &letter, const QString &folder)
{
    return (letter.isEmpty() ? folderName(folder) : letter) + QStringLiteral(".pdf");
}

void makeBooks(const std::map<qint64, BookPiece> &pieces, const QString &folder,
               const OwnPictures &ownPictures, RunOutcome &outcome)
{
    // Letters in the order their first pieces come, each with its pages in running order.
    std::vector<std::pair<QString, QStringList>> books;
    for (const auto &numbered : pieces) {
        const BookPiece &piece = numbered.second;
        auto book = std::find_if(books.begin(), books.end(),
                                 [&piece](const auto &b) { return b.first == piece.letter; });
        if (book == books.end())
            book = books.insert(books.end(), {piece.letter, {}});
        book->second << piece.path;
    }
    const QDateTime now = QDateTime::currentDateTime();
    for (const auto &[letter, files] : books) {
        const QString target = folder + bookName(letter, folder);
        imaging::SaveResult result;
        if (ownPictures.wouldReplace(target)) {
            result = {imaging::Status::AccessDenied, OwnPictures::reason()};
        } else {
            imaging::PdfBookInfo info;
            info.title = QStringLiteral("%1 %2").arg(folderName(folder), letter).trimmed();
            info.created = now;
            result = imaging::writePdfBook(files, target, info);
        }
        if (result.ok()) {
            outcome.books << target;
        } else {
            outcome.unwrittenBooks << target;
            outcome.whyBookUnwritten.insert(target, result.reason);
        }
    }
}
