// The page order of picture names.

#include "job/NaturalOrder.h"

#include <QtTest>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

struct PageOrder
{
    const char *name;
    QStringList pageOrder;
};

// Each set in page order; the test sorts every arrangement of it.
const std::vector<PageOrder> &pageOrders()
{
    static const std::vector<PageOrder> orders = {
        {"numbers without zeros",
         {"p1.png", "p2.png", "p3.png", "p9.png", "p10.png", "p11.png", "p20.png", "p100.png"}},
        {"typed in any order", {"p1.png", "p2.png", "p10.png"}},
        {"Chinese pages", {"第1页.jpg", "第2页.jpg", "第10页.jpg"}},
        {"case ignored", {"SCAN1.tif", "Scan2.TIF", "scan10.tif"}},
        {"names differing only in case keep one fixed order", {"PAGE.tif", "Page.tif", "page.tif"}},
        {"leading zeros sort by value, fewer zeros first",
         {"scan001.jpg", "scan9.jpg", "scan10.jpg", "scan010.jpg"}},
        {"several numbers", {"b2-p9", "b2-p10", "b10-p1"}},
        {"a number longer than any integer",
         {"x2", "x123456789012345678901234567890", "x123456789012345678901234567891"}},
        {"shorter name first", {"p1", "p1a"}},
        {"full-width digits by value", {"第1页", "第２页", "第０３页", "第１０页"}},
        // A number sorts before any other character, whatever its script or the character's.
        {"a number before a Chinese numeral", {"第２页.bmp", "第10页.bmp", "第一页.bmp"}},
        {"a number before a letter or a sign", {"x١", "x2", "x 1", "x-1", "xé"}},
        {"digits beyond the first plane by value", {"x𝟐", "x10", "x一"}},
        {"zero, then zeros", {"p", "p0", "p00", "p0a", "p1"}},
    };
    return orders;
}

} // namespace

class tst_NaturalOrder : public QObject
{
    Q_OBJECT

private slots:
    void naturalOrder_data();
    void naturalOrder();
    void strictTotalOrder();
};

void tst_NaturalOrder::naturalOrder_data()
{
    QTest::addColumn<QStringList>("pageOrder");
    for (const PageOrder &order : pageOrders())
        QTest::newRow(order.name) << order.pageOrder;
}

void tst_NaturalOrder::naturalOrder()
{
    QFETCH(QStringList, pageOrder);
    // Whatever order the names come in, they leave in page order.
    std::vector<int> arrangement(size_t(pageOrder.size()));
    std::iota(arrangement.begin(), arrangement.end(), 0);
    do {
        QStringList names;
        for (int i : arrangement)
            names << pageOrder.at(i);
        QCOMPARE(naturallySorted(names), pageOrder);
    } while (std::next_permutation(arrangement.begin(), arrangement.end()));
}

// Sorting needs a strict order; one that is total gives the same list for any input order.
void tst_NaturalOrder::strictTotalOrder()
{
    QStringList names;
    for (const PageOrder &order : pageOrders())
        names << order.pageOrder;
    names.removeDuplicates();
    for (const QString &a : names) {
        QVERIFY2(!naturalLess(a, a), qPrintable(a));
        for (const QString &b : names) {
            if (a != b)
                QVERIFY2(naturalLess(a, b) != naturalLess(b, a), qPrintable(a + " | " + b));
            if (!naturalLess(a, b))
                continue;
            for (const QString &c : names) {
                if (naturalLess(b, c))
                    QVERIFY2(naturalLess(a, c), qPrintable(a + " < " + b + " < " + c));
            }
        }
    }
}

QTEST_GUILESS_MAIN(tst_NaturalOrder)
#include "tst_naturalorder.moc"
