#include "NaturalOrder.h"

#include <algorithm>

namespace {

// Any Unicode decimal digit: full-width ２ and Arabic-Indic ٢ count as 2.
bool isDigit(QChar c)
{
    return c.isDigit();
}

bool isZero(QChar c)
{
    return c.isDigit() && c.digitValue() == 0;
}

// Compares the digit runs at a[i..] and b[j..] by value; moves i and j past them.
// Returns <0, 0 or >0; zerosDiff keeps the first difference in leading zeros.
int compareNumbers(const QString &a, qsizetype &i, const QString &b, qsizetype &j, int &zerosDiff)
{
    // Moves at past the characters of text that match, and says how many there were.
    const auto skip = [](const QString &text, qsizetype &at, bool (*match)(QChar)) {
        const qsizetype start = at;
        while (at < text.size() && match(text.at(at)))
            ++at;
        return at - start;
    };
    const qsizetype zerosA = skip(a, i, isZero), zerosB = skip(b, j, isZero);
    const qsizetype digitsA = i, digitsB = j;
    const qsizetype lengthA = skip(a, i, isDigit), lengthB = skip(b, j, isDigit);
    if (lengthA != lengthB)
        return lengthA < lengthB ? -1 : 1;
    for (qsizetype k = 0; k < lengthA; ++k) {
        const int digitA = a.at(digitsA + k).digitValue(), digitB = b.at(digitsB + k).digitValue();
        if (digitA != digitB)
            return digitA < digitB ? -1 : 1;
    }
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
