#include "runtime/fixed_paths.h"

#include <QTest>

class TestFixedPaths : public QObject
{
    Q_OBJECT

private slots:
    void platformPath_data();
    void platformPath();
};

void TestFixedPaths::platformPath_data()
{
    QTest::addColumn<QString>("windowsPath");
    QTest::addColumn<QString>("expected");

#ifdef Q_OS_WIN
    QTest::newRow("kept as it stands") << "f:\\u\\datafile\\taveld.txt" << "f:\\u\\datafile\\taveld.txt";
#else
    QTest::newRow("input file") << "f:\\u\\datafile\\taveld.txt" << "/home/op/f/u/datafile/taveld.txt";
    QTest::newRow("output file") << "f:\\u\\datafile\\tavelsrtd.txt" << "/home/op/f/u/datafile/tavelsrtd.txt";
    QTest::newRow("upper-case drive") << "F:\\u\\x.txt" << "/home/op/f/u/x.txt";
#endif
}

void TestFixedPaths::platformPath()
{
    QFETCH(QString, windowsPath);
    QFETCH(QString, expected);
    QCOMPARE(ostrel::platformPath(windowsPath, QStringLiteral("/home/op")), expected);
}

QTEST_GUILESS_MAIN(TestFixedPaths)
#include "tst_fixed_paths.moc"
