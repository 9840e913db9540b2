#include "reference/record_by_record.h"
#include "reference/route_files.h"
#include "sorting/record_order.h"
#include "sorting/sort_run.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

// The engine orders everything at once; the yardstick inserts record by
// record. On any input both must give the same output and the same refusal.
class TestDifferential : public QObject
{
    Q_OBJECT

private slots:
    void engineMatchesRecordByRecord_data();
    void engineMatchesRecordByRecord();
    void largeInputsMatchPlainSort_data();
    void largeInputsMatchPlainSort();
};

struct Shape
{
    int inputs;
    int maximumLines;
    int maximumLength;
    QByteArray alphabet;   // empty: any byte but CR and LF
    double specialShare;
    double duplicateShare;
};
Q_DECLARE_METATYPE(Shape)

namespace {

QByteArray randomLine(QRandomGenerator &random, const Shape &shape)
{
    const int length = random.bounded(shape.maximumLength + 1);
    QByteArray line(length, Qt::Uninitialized);
    for (char &byte : line) {
        if (shape.alphabet.isEmpty()) {
            do {
                byte = char(random.bounded(256));
            } while (byte == '\r' || byte == '\n');
        } else {
            byte = shape.alphabet[random.bounded(shape.alphabet.size())];
        }
    }
    if (length >= 9 && random.generateDouble() < shape.specialShare)
        line.replace(6, 3, "375");
    return line;
}

// Same key columns as an earlier line, other columns changed where they exist.
QByteArray repeatKey(QRandomGenerator &random, const QByteArray &earlier)
{
    QByteArray line = earlier;
    const bool special = line.mid(6, 3) == "375";
    for (qsizetype column = 20; column <= 169 && column <= line.size(); ++column) {
        if (!(special && (column == 56 || column == 57)))
            line[column - 1] = char('a' + random.bounded(26));
    }
    if (special && line.size() >= 19)
        line.replace(9, 10, "XXXXXXXXXX");
    return line;
}

QByteArray randomInput(QRandomGenerator &random, const Shape &shape)
{
    static const QByteArray terminators[] = {"\r\n", "\n", "\r"};
    const int lineCount = random.bounded(shape.maximumLines + 1);
    QList<QByteArray> lines;
    QByteArray input;
    for (int i = 0; i < lineCount; ++i) {
        const bool repeat = !lines.isEmpty() && random.generateDouble() < shape.duplicateShare;
        lines.append(repeat ? repeatKey(random, lines[random.bounded(lines.size())]) : randomLine(random, shape));
        input += lines.last();
        if (i + 1 < lineCount || random.bounded(2))
            input += terminators[random.bounded(3)];
    }
    return input;
}

QByteArray engineOutput(const QByteArray &input, const ostrel::RecordOrder &order)
{
    QByteArray output;
    for (const ostrel::OrderedRecord &record : order.records)
        output += record.line(input).toByteArray() + "\r\n";
    return output;
}

} // namespace

void TestDifferential::engineMatchesRecordByRecord_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<quint32>("seed");

    QTest::newRow("route-like text") << Shape{1500, 40, 250, "AB375 0123456789", 0.3, 0.02} << 11u;
    // Two letters make equal keys and keys that are prefixes of others common.
    QTest::newRow("tiny alphabet, short lines") << Shape{1500, 30, 8, "AB", 0.0, 0.0} << 12u;
    QTest::newRow("any bytes") << Shape{1000, 40, 250, {}, 0.2, 0.05} << 13u;
    QTest::newRow("no planted repeats, longer files") << Shape{100, 300, 250, "ABCab375 ", 0.2, 0.0} << 14u;
}

void TestDifferential::engineMatchesRecordByRecord()
{
    QFETCH(Shape, shape);
    QFETCH(quint32, seed);

    QRandomGenerator random(seed);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    int refused = 0;
    for (int i = 0; i < shape.inputs; ++i) {
        const QByteArray input = randomInput(random, shape);
        const reference::SortResult expected = reference::sortRecordByRecord(input);

        const ostrel::RecordOrder order = ostrel::orderRecords(input);
        const auto failedLine = order.firstDuplicate ? std::optional<qint64>(order.firstDuplicate->lineNumber)
                                                     : std::nullopt;
        QCOMPARE(failedLine, expected.failedLine);
        if (expected.failedLine) {
            ++refused;
            QCOMPARE(ostrel::duplicateKeyOutcome(*failedLine, order.firstDuplicate->line).message, expected.message);
        } else {
            QCOMPARE(engineOutput(input, order), expected.output);
        }

        // Now and then the whole run, through real files.
        if (i % 50 == 0) {
            reference::writeFile(folder.filePath("in"), input);
            QFile::remove(folder.filePath("out"));
            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder.filePath("in"), folder.filePath("out"));
            QCOMPARE(outcome.message, expected.message);
            QCOMPARE(reference::readFile(folder.filePath("out")), expected.output);
        }
    }
    qInfo("%d of %d inputs refused for a repeated key", refused, shape.inputs);
}

// Inputs large enough to be split among threads, and ordered and written in
// many stretches, are too large for the yardstick; a plain stable sort of the
// lines by key stands in for it.
void TestDifferential::largeInputsMatchPlainSort_data()
{
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("maximumLength");
    QTest::addColumn<int>("repeatAt");

    // About 12 and 70 MB: records grouped by one leading key byte, and by two.
    QTest::newRow("unique keys") << 120000 << 200 << 0;
    QTest::newRow("unique keys, larger input") << 320000 << 440 << 0;
    QTest::newRow("repeat near the end") << 320000 << 440 << 319000;
    QTest::newRow("repeat in the first part") << 120000 << 200 << 17;
}

void TestDifferential::largeInputsMatchPlainSort()
{
    QFETCH(int, lineCount);
    QFETCH(int, maximumLength);
    QFETCH(int, repeatAt);

    QRandomGenerator random(375);
    const Shape shape{0, 0, maximumLength, "ABCDEFGHIJ375 abcdefghij", 0.1, 0.0};
    QList<QByteArray> lines;
    QSet<QByteArray> keys;
    while (lines.size() < lineCount) {
        QByteArray line = randomLine(random, shape);
        if (lines.size() == repeatAt && repeatAt > 0)
            line = repeatKey(random, lines[random.bounded(lines.size())]);
        else if (keys.contains(reference::BuildRecordKey(line)))
            continue;
        keys.insert(reference::BuildRecordKey(line));
        lines.append(line);
    }
    QByteArray input;
    for (const QByteArray &line : lines)
        input += line + (random.bounded(2) ? "\r\n" : "\n");

    std::vector<std::pair<QByteArray, QByteArray>> keyed;
    for (const QByteArray &line : lines)
        keyed.emplace_back(reference::BuildRecordKey(line), line);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<QByteArray> expected;
    for (const auto &entry : keyed)
        expected.append(entry.second);

    const ostrel::RecordOrder order = ostrel::orderRecords(input);
    QByteArray expectedOutput;
    for (const QByteArray &line : expected)
        expectedOutput += line + "\r\n";

    // The whole run too, where the output is written while it is still being ordered.
    QTemporaryDir folder;
    const QByteArray earlierOutput = "an earlier output\r\n";
    reference::writeFile(folder.filePath("in"), input);
    reference::writeFile(folder.filePath("out"), earlierOutput);
    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder.filePath("in"), folder.filePath("out"));

    if (repeatAt > 0) {
        QVERIFY(order.firstDuplicate);
        QCOMPARE(order.firstDuplicate->lineNumber, qint64(repeatAt + 1));
        QCOMPARE(order.firstDuplicate->line.toByteArray(), lines[repeatAt]);
        QCOMPARE(outcome.message, ostrel::duplicateKeyOutcome(repeatAt + 1, lines[repeatAt]).message);
        QCOMPARE(reference::readFile(folder.filePath("out")), earlierOutput);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList({"in", "out"}));
        return;
    }
    QCOMPARE(order.firstDuplicate.has_value(), false);
    QCOMPARE(qsizetype(order.records.size()), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (order.records[size_t(i)].line(input).toByteArray() != expected[i])
            QFAIL(qPrintable(QStringLiteral("first difference at record %1").arg(i)));
    }
    QCOMPARE(outcome.message, ostrel::sortedOutcome().message);
    QVERIFY(reference::readFile(folder.filePath("out")) == expectedOutput);
}

QTEST_GUILESS_MAIN(TestDifferential)
#include "tst_differential.moc"
