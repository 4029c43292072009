#include "NaturalOrder.h"

#include <QVarLengthArray>

#include <algorithm>

namespace {

// One step of a name: a run of digits, read as a number, or any other character.
struct Token
{
    bool isNumber = false;
    char32_t folded = 0;              // a character, case-folded
    QVarLengthArray<char, 24> digits; // a number's digit values, without its leading zeros
    qsizetype zeros = 0;              // a number's leading zeros
};

// Reads a name token by token, by code point, so that a digit beyond the first plane
// (mathematical 𝟐) is a digit too.
class Tokens
{
public:
    explicit Tokens(const QString &text) : text_(text) {}

    bool atEnd() const { return at_ >= text_.size(); }

    Token next()
    {
        Token token;
        char32_t c = peek();
        if (!QChar::isDigit(c)) {
            step(c);
            token.folded = QChar::toCaseFolded(c);
            return token;
        }
        token.isNumber = true;
        for (; !atEnd() && QChar::isDigit(c = peek()); step(c)) {
            const int value = QChar::digitValue(c);
            if (value == 0 && token.digits.isEmpty())
                ++token.zeros;
            else
                token.digits.append(char(value));
        }
        return token;
    }

private:
    char32_t peek() const
    {
        const QChar c = text_.at(at_);
        if (c.isHighSurrogate() && at_ + 1 < text_.size() && text_.at(at_ + 1).isLowSurrogate())
            return QChar::surrogateToUcs4(c, text_.at(at_ + 1));
        return c.unicode();
    }
    void step(char32_t c) { at_ += QChar::requiresSurrogates(c) ? 2 : 1; }

    const QString &text_;
    qsizetype at_ = 0;
};

// <0, 0 or >0. A number comes before any character, whatever its script or the
// character's: comparing a digit with a letter by code would put ASCII digits below
// Chinese and full-width ones above, and the order would go round in a circle.
int compare(const Token &a, const Token &b)
{
    if (a.isNumber != b.isNumber)
        return a.isNumber ? -1 : 1;
    if (!a.isNumber)
        return a.folded == b.folded ? 0 : (a.folded < b.folded ? -1 : 1);
    if (a.digits.size() != b.digits.size())
        return a.digits.size() < b.digits.size() ? -1 : 1;
    const auto [da, db] = std::mismatch(a.digits.cbegin(), a.digits.cend(), b.digits.cbegin());
    return da == a.digits.cend() ? 0 : (*da < *db ? -1 : 1);
}

} // namespace

bool naturalLess(const QString &a, const QString &b)
{
    Tokens tokensA(a), tokensB(b);
    int zerosDiff = 0; // the first difference in leading zeros
    while (!tokensA.atEnd() && !tokensB.atEnd()) {
        const Token tokenA = tokensA.next(), tokenB = tokensB.next();
        if (const int order = compare(tokenA, tokenB); order != 0)
            return order < 0;
        if (zerosDiff == 0 && tokenA.zeros != tokenB.zeros)
            zerosDiff = tokenA.zeros < tokenB.zeros ? -1 : 1;
    }
    if (tokensA.atEnd() != tokensB.atEnd())
        return tokensA.atEnd();
    if (zerosDiff != 0)
        return zerosDiff < 0;
    return a < b;
}

QStringList naturallySorted(QStringList names)
{
    std::stable_sort(names.begin(), names.end(), naturalLess);
    return names;
}
