#include "NaturalOrder.h"

#include <algorithm>

namespace platform {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Compares the digit runs at a[i..] and b[j..] by value; moves i and j past them.
// Returns <0, 0 or >0; zerosDiff keeps the first difference in leading zeros.
int compareNumbers(const QString &a, qsizetype &i, const QString &b, qsizetype &j, int &zerosDiff)
{
    const qsizetype startA = i, startB = j;
    while (i < a.size() && a.at(i) == QLatin1Char('0'))
        ++i;
    while (j < b.size() && b.at(j) == QLatin1Char('0'))
        ++j;
    const qsizetype zerosA = i - startA, zerosB = j - startB;
    const qsizetype digitsA = i, digitsB = j;
    while (i < a.size() && isDigit(a.at(i)))
        ++i;
    while (j < b.size() && isDigit(b.at(j)))
        ++j;
    const qsizetype lengthA = i - digitsA, lengthB = j - digitsB;
    if (lengthA != lengthB)
        return lengthA < lengthB ? -1 : 1;
    const int byDigits =
        QStringView(a).mid(digitsA, lengthA).compare(QStringView(b).mid(digitsB, lengthB));
    if (byDigits != 0)
        return byDigits;
    if (zerosDiff == 0 && zerosA != zerosB)
        zerosDiff = zerosA < zerosB ? -1 : 1;
    return 0;
}

} // namespace

bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    int zerosDiff = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a.at(i)) && isDigit(b.at(j))) {
            const int byValue = compareNumbers(a, i, b, j, zerosDiff);
            if (byValue != 0)
                return byValue < 0;
            continue;
        }
        const QChar ca = a.at(i).toCaseFolded(), cb = b.at(j).toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    if (zerosDiff != 0)
        return zerosDiff < 0;
    return a < b;
}

QStringList naturallySorted(QStringList names)
{
    std::stable_sort(names.begin(), names.end(), naturalLess);
    return names;
}

} // namespace platform
