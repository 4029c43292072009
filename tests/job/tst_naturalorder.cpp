// The page order of picture names.

#include "job/NaturalOrder.h"

#include <QtTest>

class tst_NaturalOrder : public QObject
{
    Q_OBJECT

private slots:
    void naturalOrder_data();
    void naturalOrder();
};

void tst_NaturalOrder::naturalOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("pageOrder");
    QTest::newRow("numbers without zeros")
        << QStringList{"p1.png", "p10.png", "p100.png", "p11.png",
                       "p2.png", "p20.png", "p3.png",   "p9.png"}
        << QStringList{"p1.png",  "p2.png",  "p3.png",  "p9.png",
                       "p10.png", "p11.png", "p20.png", "p100.png"};
    QTest::newRow("typed in any order")
        << QStringList{"p10.png", "p2.png", "p1.png"} << QStringList{"p1.png", "p2.png", "p10.png"};
    QTest::newRow("Chinese pages") << QStringList{"第10页.jpg", "第2页.jpg", "第1页.jpg"}
                                   << QStringList{"第1页.jpg", "第2页.jpg", "第10页.jpg"};
    QTest::newRow("case ignored") << QStringList{"Scan2.TIF", "scan10.tif", "SCAN1.tif"}
                                  << QStringList{"SCAN1.tif", "Scan2.TIF", "scan10.tif"};
    QTest::newRow("names differing only in case keep one fixed order")
        << QStringList{"page.tif", "PAGE.tif", "Page.tif"}
        << QStringList{"PAGE.tif", "Page.tif", "page.tif"};
    QTest::newRow("leading zeros sort by value, fewer zeros first")
        << QStringList{"scan010.jpg", "scan9.jpg", "scan10.jpg", "scan001.jpg"}
        << QStringList{"scan001.jpg", "scan9.jpg", "scan10.jpg", "scan010.jpg"};
    QTest::newRow("several numbers")
        << QStringList{"b2-p10", "b10-p1", "b2-p9"} << QStringList{"b2-p9", "b2-p10", "b10-p1"};
    QTest::newRow("a number longer than any integer")
        << QStringList{"x123456789012345678901234567891", "x123456789012345678901234567890", "x2"}
        << QStringList{"x2", "x123456789012345678901234567890", "x123456789012345678901234567891"};
    QTest::newRow("shorter name first") << QStringList{"p1a", "p1"} << QStringList{"p1", "p1a"};
    QTest::newRow("full-width digits by value")
        << QStringList{"第１０页", "第２页", "第1页", "第０３页"}
        << QStringList{"第1页", "第２页", "第０３页", "第１０页"};
}

void tst_NaturalOrder::naturalOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, pageOrder);
    QCOMPARE(naturallySorted(names), pageOrder);
    // A strict order: no name before itself, and the sorted list in order pair by pair.
    for (qsizetype i = 0; i < pageOrder.size(); ++i) {
        QVERIFY(!naturalLess(pageOrder[i], pageOrder[i]));
        if (i > 0)
            QVERIFY(!naturalLess(pageOrder[i], pageOrder[i - 1]));
    }
}

QTEST_GUILESS_MAIN(tst_NaturalOrder)
#include "tst_naturalorder.moc"
