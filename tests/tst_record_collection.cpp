#include "reference/record_by_record.h"
#include "sorting/record_order.h"

#include <QTest>

using Keys = QList<QByteArray>;

class TestRecordCollection : public QObject
{
    Q_OBJECT

private slots:
    void insertion_data();
    void insertion();
    void inputOrder_data();
    void inputOrder();
};

namespace {

// Lines of up to four bytes are their own keys, so keys can be written as lines.
QByteArray joinLines(const Keys &lines)
{
    QByteArray data;
    for (const QByteArray &line : lines)
        data += line + "\r\n";
    return data;
}

struct EngineResult
{
    Keys order;
    std::optional<qint64> duplicateLine;
};

EngineResult orderWithEngine(const Keys &lines)
{
    const QByteArray data = joinLines(lines);
    const ostrel::RecordOrder order = ostrel::orderRecords(data);
    EngineResult result;
    for (const ostrel::OrderedRecord &record : order.records)
        result.order.append(record.line(data).toByteArray());
    if (order.firstDuplicate)
        result.duplicateLine = order.firstDuplicate->lineNumber;
    return result;
}

} // namespace

void TestRecordCollection::insertion_data()
{
    QTest::addColumn<Keys>("stored");
    QTest::addColumn<QByteArray>("newKey");
    QTest::addColumn<qsizetype>("position");
    QTest::addColumn<bool>("added");
    QTest::addColumn<Keys>("after");

    const Keys ace{"A", "C", "E"};
    QTest::newRow("between two entries") << ace << QByteArray("B") << qsizetype(1) << true << Keys{"A", "B", "C", "E"};
    QTest::newRow("equal to the last") << ace << QByteArray("E") << qsizetype(3) << false << ace;
    QTest::newRow("after the last") << ace << QByteArray("F") << qsizetype(3) << true << Keys{"A", "C", "E", "F"};
    QTest::newRow("equal to a middle entry") << ace << QByteArray("C") << qsizetype(2) << false << ace;
    QTest::newRow("digit before letters") << ace << QByteArray("0") << qsizetype(0) << true << Keys{"0", "A", "C", "E"};

    const Keys m{"M"};
    QTest::newRow("single entry, equal") << m << QByteArray("M") << qsizetype(1) << false << m;
    QTest::newRow("single entry, after") << m << QByteArray("Z") << qsizetype(1) << true << Keys{"M", "Z"};
    QTest::newRow("single entry, before") << m << QByteArray("A") << qsizetype(0) << true << Keys{"A", "M"};

    QTest::newRow("prefix is no duplicate") << Keys{"AA", "ABC"} << QByteArray("AB") << qsizetype(1) << true
                                            << Keys{"AA", "AB", "ABC"};
    QTest::newRow("keys differ only in case") << Keys{"a"} << QByteArray("A") << qsizetype(0) << true << Keys{"A", "a"};
}

void TestRecordCollection::insertion()
{
    QFETCH(Keys, stored);
    QFETCH(QByteArray, newKey);
    QFETCH(qsizetype, position);
    QFETCH(bool, added);
    QFETCH(Keys, after);

    reference::RecordCollection collection;
    for (const QByteArray &key : stored)
        QVERIFY(collection.add(key, key));
    QCOMPARE(reference::FindInsertPosition(newKey, collection), position);
    const bool wasAdded = position == 0 ? collection.addBefore(newKey, newKey, 1)
                                        : collection.addAfter(newKey, newKey, position);
    QCOMPARE(wasAdded, added);
    Keys referenceOrder;
    for (qsizetype i = 1; i <= collection.count(); ++i)
        referenceOrder.append(collection.key(i));
    QCOMPARE(referenceOrder, after);

    const EngineResult engine = orderWithEngine(stored + Keys{newKey});
    if (added) {
        QCOMPARE(engine.order, after);
        QCOMPARE(engine.duplicateLine, std::nullopt);
    } else {
        QCOMPARE(engine.duplicateLine, std::optional<qint64>(stored.size() + 1));
    }
}

void TestRecordCollection::inputOrder_data()
{
    QTest::addColumn<Keys>("input");
    QTest::addColumn<Keys>("expected");
    QTest::addColumn<qint64>("duplicateLine");

    QTest::newRow("C A B") << Keys{"C", "A", "B"} << Keys{"A", "B", "C"} << qint64(0);
    QTest::newRow("AA ABC AB") << Keys{"AA", "ABC", "AB"} << Keys{"AA", "AB", "ABC"} << qint64(0);
    QTest::newRow("already in order") << Keys{"A", "B", "C"} << Keys{"A", "B", "C"} << qint64(0);
    QTest::newRow("reverse order") << Keys{"D", "C", "B", "A"} << Keys{"A", "B", "C", "D"} << qint64(0);
    // The first repeat in input order is reported, not the smallest key's.
    QTest::newRow("earliest repeat wins") << Keys{"Z", "A", "Z", "A"} << Keys{} << qint64(3);
    QTest::newRow("third copy is not the first repeat") << Keys{"B", "B", "B"} << Keys{} << qint64(2);
    QTest::newRow("one empty line sorts first") << Keys{"B", "", "A"} << Keys{"", "A", "B"} << qint64(0);
    QTest::newRow("second empty line repeats") << Keys{"", "A", ""} << Keys{} << qint64(3);
}

void TestRecordCollection::inputOrder()
{
    QFETCH(Keys, input);
    QFETCH(Keys, expected);
    QFETCH(qint64, duplicateLine);

    const reference::SortResult yardstick = reference::sortRecordByRecord(joinLines(input));
    const EngineResult engine = orderWithEngine(input);
    if (duplicateLine == 0) {
        QCOMPARE(yardstick.output, joinLines(expected));
        QCOMPARE(engine.order, expected);
        QCOMPARE(engine.duplicateLine, std::nullopt);
    } else {
        QCOMPARE(yardstick.failedLine, std::optional<qint64>(duplicateLine));
        QCOMPARE(engine.duplicateLine, std::optional<qint64>(duplicateLine));
    }
}

QTEST_GUILESS_MAIN(TestRecordCollection)
#include "tst_record_collection.moc"
