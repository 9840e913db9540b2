#include "reference/record_by_record.h"
#include "sorting/record_order.h"
#include "sorting/sort_outcome.h"

#include <QTest>

// Inputs the fuzz targets found faults with, kept so they stay fixed. They
// prove most under the sanitizer build, which stops at the first undefined
// behaviour.
class TestFuzzFindings : public QObject
{
    Q_OBJECT

private slots:
    void engineMatchesRecordByRecord_data();
    void engineMatchesRecordByRecord();
};

void TestFuzzFindings::engineMatchesRecordByRecord_data()
{
    QTest::addColumn<QByteArray>("input");

    // Key pieces beyond the end of a short line are empty views with no data
    // pointer; copying them passed null to memcpy.
    QTest::newRow("empty line then a short line") << QByteArray("\nAA\n");
    QTest::newRow("a line shorter than the first key piece") << QByteArray("A");
    QTest::newRow("empty lines only") << QByteArray("\r\n\r\n");
}

void TestFuzzFindings::engineMatchesRecordByRecord()
{
    QFETCH(QByteArray, input);

    const reference::SortResult expected = reference::sortRecordByRecord(input);
    const ostrel::RecordOrder order = ostrel::orderRecords(input);
    QCOMPARE(order.firstDuplicate.has_value(), expected.failedLine.has_value());
    if (const auto &duplicate = order.firstDuplicate) {
        QCOMPARE(ostrel::duplicateKeyOutcome(duplicate->lineNumber, duplicate->line).message, expected.message);
        return;
    }
    QByteArray output;
    for (const ostrel::OrderedRecord &record : order.records)
        output += record.line(input).toByteArray() + "\r\n";
    QCOMPARE(output, expected.output);
}

QTEST_GUILESS_MAIN(TestFuzzFindings)
#include "tst_fuzz_findings.moc"
