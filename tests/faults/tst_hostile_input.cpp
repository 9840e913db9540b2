#include "reference/record_by_record.h"
#include "reference/route_files.h"
#include "sorting/sort_run.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using reference::readFile;
using reference::routeRecord;
using reference::writeFile;

// Input no route file should hold, sorted through real files: the output must
// be byte-exact, or the refusal exact, and nothing may crash.
class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void matchesRecordByRecord_data();
    void matchesRecordByRecord();
    void largeInput_data();
    void largeInput();

private:
    void sortAndCompare(const QByteArray &input, const reference::SortResult &expected);
    QString path(const QString &name) const { return folder->filePath(name); }

    std::unique_ptr<QTemporaryDir> folder;
};

enum class Large { HundredMegabyteLine, TenMillionOneByteLines, TwoMillionFourByteLines };
Q_DECLARE_METATYPE(Large)

namespace {

const QByteArray earlierOutput = "earlier output";

QByteArray randomBytes(quint32 seed, qsizetype size, QByteArrayView alphabet = {})
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = alphabet.isEmpty() ? char(random.bounded(256)) : alphabet[random.bounded(alphabet.size())];
    return bytes;
}

QByteArray named(const QByteArray &route, const QByteArray &name)
{
    return routeRecord(190, {{1, route}, {18, name.leftJustified(30)}});
}

// Every byte but CR and LF, in ascending order.
QByteArray lineBytes()
{
    QByteArray bytes;
    for (int code = 0; code < 256; ++code) {
        if (code != '\r' && code != '\n')
            bytes += char(code);
    }
    return bytes;
}

// Four bytes from 16 to 255, ascending with number: distinct, never a terminator.
QByteArray fourByteLine(quint32 number)
{
    QByteArray line(4, Qt::Uninitialized);
    for (int i = 3; i >= 0; --i, number /= 240)
        line[i] = char(16 + number % 240);
    return line;
}

struct LargeCase
{
    QByteArray input;
    reference::SortResult expected;
};

LargeCase largeCase(Large kind)
{
    switch (kind) {
    case Large::HundredMegabyteLine: {
        const QByteArray line = randomBytes(7, 100 * 1024 * 1024, lineBytes());
        return {line, {line + "\r\n", std::nullopt, "Route Records were sorted."}};
    }
    case Large::TenMillionOneByteLines: {
        // Only 254 one-byte keys exist, so the 255th line repeats the first
        // key; every line must still be read and keyed.
        const QByteArray bytes = lineBytes();
        const qsizetype lines = 10'000'000;
        QByteArray input;
        input.reserve(lines * 2);
        for (qsizetype i = 0; i < lines; ++i)
            input.append(bytes[i % bytes.size()]).append(i % 2 ? '\n' : '\r');
        return {input, reference::sortRecordByRecord(QByteArrayView(input).first((bytes.size() + 1) * 2))};
    }
    case Large::TwoMillionFourByteLines: {
        // A four-byte line is its own key, so the order is that of the numbers.
        const quint32 lines = 2'000'000;
        QByteArray input;
        QByteArray output;
        input.reserve(lines * 6);
        output.reserve(lines * 6);
        for (quint32 i = 0; i < lines; ++i) {
            input += fourByteLine(quint32((quint64(i) * 7919) % lines)) + "\r\n";
            output += fourByteLine(i) + "\r\n";
        }
        return {input, {output, std::nullopt, "Route Records were sorted."}};
    }
    }
    return {};
}

} // namespace

void TestHostileInput::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    writeFile(path("sorted.txt"), earlierOutput);
}

void TestHostileInput::sortAndCompare(const QByteArray &input, const reference::SortResult &expected)
{
    writeFile(path("in.txt"), input);
    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(path("in.txt"), path("sorted.txt"));
    QCOMPARE(outcome.message, expected.message);
    QCOMPARE(outcome.result, expected.failedLine ? ostrel::SortOutcome::Result::DuplicateKey
                                                 : ostrel::SortOutcome::Result::Sorted);
    const QByteArray output = readFile(path("sorted.txt"));
    QVERIFY2(output == (expected.failedLine ? earlierOutput : expected.output), "output differs");
}

void TestHostileInput::matchesRecordByRecord_data()
{
    QTest::addColumn<QByteArray>("input");

    // Random bytes: long lines, and with terminators common, short repeating ones.
    QTest::newRow("arbitrary binary data") << randomBytes(1, 64 * 1024);
    QTest::newRow("arbitrary binary data, many short lines")
        << randomBytes(2, 4096, QByteArray("\r\n\0\xff" "AB375", 9));

    const QByteArray nul(1, '\0');
    QTest::newRow("NUL bytes in key, name and record")
        << named("AA" + nul + "1", "Nul" + nul + "Street") + "\r\n" + named("AA" + nul + "0", nul + "Lane") + "\r\n"
               + QByteArray(200, '\0') + "\r\n";
    QTest::newRow("NUL bytes only, one line") << QByteArray(300, '\0');
    QTest::newRow("NUL bytes only, repeated line") << QByteArray(300, '\0') + "\n" + QByteArray(300, '\0');

    // Byte order is unsigned: 0x80 and up sort after every ASCII byte.
    QTest::newRow("bytes above 127 in name and key")
        << named("\xc3\xa9" "01", "Caf\xc3\xa9 Stra\xc3\x9f" "e") + "\r\n" + named("zz01", "\xff\xfe") + "\r\n"
               + named("\x80\x80" "01", "\x9b" "31m") + "\r\n";
    QTest::newRow("bytes above 127 in a repeated key")
        << named("\xff" "A01", "First \xe2\x82\xac") + "\r\n" + named("\xff" "A01", "Second \xe2\x82\xac") + "\r\n";
    QTest::newRow("escape sequences in a repeated name")
        << named("AA01", "\x1b[2J\x1b]0;owned\x07") + "\n" + named("AA01", "\x1b[31mred\x1b[0m") + "\n";

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("terminators only: one LF") << QByteArray("\n");
    QTest::newRow("terminators only: one CR LF") << QByteArray("\r\n");
    QTest::newRow("terminators only: two lone CRs") << QByteArray("\r\r");
    QTest::newRow("terminators only: mixed") << QByteArray("\r\n\n\r\n\r");
    QTest::newRow("LF CR is two terminators") << QByteArray("AA\n\rBB");
}

void TestHostileInput::matchesRecordByRecord()
{
    QFETCH(QByteArray, input);
    sortAndCompare(input, reference::sortRecordByRecord(input));
}

void TestHostileInput::largeInput_data()
{
    QTest::addColumn<Large>("kind");

    QTest::newRow("a single 100 MB line") << Large::HundredMegabyteLine;
    QTest::newRow("10 million one-character lines") << Large::TenMillionOneByteLines;
    QTest::newRow("two million distinct four-byte lines") << Large::TwoMillionFourByteLines;
}

void TestHostileInput::largeInput()
{
    QFETCH(Large, kind);
    const LargeCase large = largeCase(kind);
    sortAndCompare(large.input, large.expected);
}

QTEST_GUILESS_MAIN(TestHostileInput)
#include "tst_hostile_input.moc"
