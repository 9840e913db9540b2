#include "reference/record_by_record.h"
#include "reference/route_files.h"
#include "sorting/record_key.h"

#include <QTest>

using reference::routeRecord;

class TestRecordKey : public QObject
{
    Q_OBJECT

private slots:
    void buildRecordKey_data();
    void buildRecordKey();
    void unreadColumnsDoNotMatter_data();
    void unreadColumnsDoNotMatter();
    void keyOrder_data();
    void keyOrder();
    void recordName_data();
    void recordName();
};

namespace {

// The lines of the worked examples: 180 bytes, pieces at their columns.
QByteArray standardLine()
{
    return routeRecord(180, {{1, "PQ"}, {3, "RS"}, {5, "ABCDEFGHIJKLMNO"}, {170, "WXYZ"}});
}

QByteArray specialLine()
{
    return routeRecord(180, {{1, "PQ"}, {3, "RS"}, {5, "ABCDEFGHIJKLMNO"}, {5, "AB375"}, {56, "TU"}, {170, "WXYZ"}});
}

} // namespace

void TestRecordKey::buildRecordKey_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("standard rule") << standardLine() << QByteArray("WXYZABCDEFGHIJKLMNOPQRS");
    QTest::newRow("special rule") << specialLine() << QByteArray("WXYZ0000375TU        PQRS");
    QTest::newRow("special rule ignores columns 5-6 and 10-19")
        << routeRecord(180, {{1, "PQRS"}, {5, "zz375yyyyyyyyyy"}, {56, "TU"}, {170, "WXYZ"}})
        << QByteArray("WXYZ0000375TU        PQRS");
    QTest::newRow("375 elsewhere is no special route")
        << routeRecord(180, {{1, "PQRS"}, {5, "A375BCDEFGHIJKL"}, {170, "WXYZ"}})
        << QByteArray("WXYZA375BCDEFGHIJKLPQRS");
    QTest::newRow("only 37 at columns 7-9 is no special route")
        << routeRecord(180, {{1, "PQRS"}, {5, "AB37 CDEFGHIJKL"}, {170, "WXYZ"}})
        << QByteArray("WXYZAB37 CDEFGHIJKLPQRS");

    // Short records contribute only the columns they have.
    QTest::newRow("100 bytes: no first piece") << standardLine().left(100) << QByteArray("ABCDEFGHIJKLMNOPQRS");
    QTest::newRow("171 bytes: two bytes of the first piece") << standardLine().left(171)
                                                             << QByteArray("WXABCDEFGHIJKLMNOPQRS");
    QTest::newRow("8 bytes cannot be special") << QByteArray("PQRSAB37") << QByteArray("AB37PQRS");
    QTest::newRow("9 bytes reading 375 is special") << QByteArray("PQRSAB375") << QByteArray("0000375        PQRS");
    QTest::newRow("special without column 57") << specialLine().left(56) << QByteArray("0000375T        PQRS");
    QTest::newRow("3 bytes") << QByteArray("PQR") << QByteArray("PQR");
    QTest::newRow("empty line") << QByteArray() << QByteArray();

    // Keys are bytes: nothing is decoded, dropped or folded.
    QTest::newRow("high and NUL bytes kept")
        << routeRecord(180, {{1, QByteArray("\xc3\xa9\0Q", 4)}, {5, QByteArray("\xff\x01", 2)}, {170, "W\x80YZ"}})
        << QByteArray("W\x80YZ\xff\x01.............\xc3\xa9\x00Q", 23);
}

void TestRecordKey::buildRecordKey()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, expected);
    QCOMPARE(ostrel::BuildRecordKey(line).view().toByteArray(), expected);
    // The yardstick the engine is measured against must agree too.
    QCOMPARE(reference::BuildRecordKey(line), expected);
}

void TestRecordKey::unreadColumnsDoNotMatter_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");

    QTest::newRow("standard, name and tail differ")
        << routeRecord(190, {{20, "Harbour Road"}, {175, "BUS"}}) << routeRecord(190, {{20, "Quarry Lane"}, {175, "MINI"}});
    QTest::newRow("special, columns 10-55 differ")
        << routeRecord(190, {{5, "RT375A0001"}, {18, "Beacon Hill"}}) << routeRecord(190, {{5, "XX375Z9999"}, {18, "Castle Gate"}});
}

void TestRecordKey::unreadColumnsDoNotMatter()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QVERIFY(first != second);
    QCOMPARE(ostrel::BuildRecordKey(first).view().toByteArray(), ostrel::BuildRecordKey(second).view().toByteArray());
}

void TestRecordKey::keyOrder_data()
{
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("right");
    QTest::addColumn<int>("expected");

    // Lines of up to four bytes are their own keys.
    QTest::newRow("upper case before lower case") << QByteArray("Abc") << QByteArray("abc") << -1;
    QTest::newRow("digits before letters") << QByteArray("0") << QByteArray("A") << -1;
    QTest::newRow("proper prefix first") << QByteArray("AB") << QByteArray("ABC") << -1;
    QTest::newRow("prefix followed by NUL") << QByteArray("AB") << QByteArray("AB\0", 3) << -1;
    QTest::newRow("empty key first") << QByteArray() << QByteArray("\x01") << -1;
    QTest::newRow("bytes are unsigned") << QByteArray("\x7f") << QByteArray("\x80") << -1;
    QTest::newRow("first difference decides") << QByteArray("ABz") << QByteArray("AC") << -1;
    QTest::newRow("equal") << QByteArray("ABC") << QByteArray("ABC") << 0;
    QTest::newRow("special keys sort by their 0000375 piece")
        << specialLine() << routeRecord(180, {{5, "AB3"}, {170, "WXYZ"}}) << -1;
}

void TestRecordKey::keyOrder()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, right);
    QFETCH(int, expected);

    const auto leftKey = ostrel::BuildRecordKey(left);
    const auto rightKey = ostrel::BuildRecordKey(right);
    const auto sign = [](auto order) { return order < 0 ? -1 : order > 0 ? 1 : 0; };
    QCOMPARE(sign(leftKey <=> rightKey), expected);
    QCOMPARE(sign(rightKey <=> leftKey), -expected);
    QCOMPARE(sign(leftKey.view().compare(rightKey.view())), expected);
}

void TestRecordKey::recordName_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("full record") << routeRecord(190, {{18, "  Harbour Road Depot          "}})
                                 << QByteArray("Harbour Road Depot");
    QTest::newRow("name fills the columns") << routeRecord(190, {{18, "Kestrel Heights Northern Loop!"}})
                                            << QByteArray("Kestrel Heights Northern Loop!");
    QTest::newRow("line ends inside the name") << routeRecord(30, {{18, "Quarry Lane  "}}) << QByteArray("Quarry Lane");
    QTest::newRow("line shorter than 18 bytes") << QByteArray("NO01RT120A000123") << QByteArray();
    QTest::newRow("all spaces") << routeRecord(60, {{18, QByteArray(30, ' ')}}) << QByteArray();
}

void TestRecordKey::recordName()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, expected);
    QCOMPARE(ostrel::recordName(line).toByteArray(), expected);
}

QTEST_GUILESS_MAIN(TestRecordKey)
#include "tst_record_key.moc"
