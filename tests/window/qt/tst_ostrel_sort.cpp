#include "support/route_files.h"
#include "window/qt/ostrel_sort.h"
#include "window/qt/progress_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    support::writeFile(path.toStdString(), bytes.toStdString());
}

QByteArray readFile(const QString &path)
{
    return QByteArray::fromStdString(support::readFile(path.toStdString()));
}

// What one message box showed, and the window's cursor, while the box was open.
struct ShownBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons standardButtons;
    qsizetype buttonCount;
    Qt::TextFormat textFormat;
    Qt::WindowModality modality;
    Qt::CursorShape windowCursor;
};

// Dismisses every message box with its OK button, as the operator would.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QWidget &answeredWindow) : window(answeredWindow)
    {
        connect(&poll, &QTimer::timeout, this, &BoxAnswerer::answer);
        poll.start(0);
    }

    QList<ShownBox> shown;

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->buttons().size(),
                      box->textFormat(), box->windowModality(), window.cursor().shape()});
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->close();
    }

    QWidget &window;
    QTimer poll;
};

QByteArray keyed(const QByteArray &front, const QByteArray &name = "Harbour Road",
                 std::optional<std::size_t> nameColumns = {})
{
    return QByteArray::fromStdString(
        support::routeRecord(front.toStdString(), name.toStdString(), "0700", nameColumns));
}

const QByteArray recordA = keyed("AA01");
const QByteArray recordB = keyed("BB01");
const QByteArray earlierOutput = "an earlier run's output\r\n";

} // namespace

class TestOstrelSort : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void opensReadyToSort();
    void activationRunsOneSort_data();
    void activationRunsOneSort();
    void failureLeavesOutputAlone_data();
    void failureLeavesOutputAlone();
    void twoRunsGiveIdenticalOutput();
    void closingAsksNothing();
    void longRunShowsItsProgress_data();
    void longRunShowsItsProgress();

private:
    QString dataFile(const QString &name) const { return home->filePath("f/u/datafile/" + name); }
    QPushButton *btnSort() const { return form->findChild<QPushButton *>("btnSort"); }

    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<ostrel::OstrelSort> form;
    std::unique_ptr<BoxAnswerer> answerer;
};

void TestOstrelSort::initTestCase()
{
    // The boxes take the application's name as their caption, as main() sets it.
    QCoreApplication::setApplicationName(QStringLiteral("OstrelSort"));
}

void TestOstrelSort::init()
{
    home = std::make_unique<QTemporaryDir>();
    QVERIFY(home->isValid());
    qputenv("HOME", home->path().toLocal8Bit());
    QVERIFY(QDir(home->path()).mkpath("f/u/datafile"));

    form = std::make_unique<ostrel::OstrelSort>();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    answerer = std::make_unique<BoxAnswerer>(*form);
}

void TestOstrelSort::cleanup()
{
    answerer.reset();
    form.reset();
}

void TestOstrelSort::opensReadyToSort()
{
    QCOMPARE(form->windowTitle(), QString("Ostrel - Tavel Sort"));
    QCOMPARE(form->size(), QSize(312, 213));
    QCOMPARE(form->testAttribute(Qt::WA_Moved), false);
    QVERIFY(btnSort());
    QCOMPARE(form->findChildren<QWidget *>(), QList<QWidget *>{btnSort()});
    QCOMPARE(btnSort()->text(), QString("Sort Input File"));
    QCOMPARE(btnSort()->geometry(), QRect(88, 64, 105, 57));
    QCOMPARE(QApplication::focusWidget(), btnSort());
}

void TestOstrelSort::activationRunsOneSort_data()
{
    QTest::addColumn<int>("key");

    QTest::newRow("mouse click") << 0;
    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter);
}

void TestOstrelSort::activationRunsOneSort()
{
    QFETCH(int, key);

    writeFile(dataFile("taveld.txt"), recordB + "\r\n" + recordA + "\r\n");
    // Keys go to the window, so they reach the button only while it holds the focus.
    if (key == 0)
        QTest::mouseClick(btnSort(), Qt::LeftButton);
    else
        QTest::keyClick(form->windowHandle(), Qt::Key(key));

    QCOMPARE(answerer->shown.size(), 1);
    const ShownBox &box = answerer->shown.first();
    QCOMPARE(box.title, QString("OstrelSort"));
    QCOMPARE(box.text, QString("Route Records were sorted."));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.standardButtons, QMessageBox::Ok);
    QCOMPARE(box.buttonCount, 1);
    QCOMPARE(box.textFormat, Qt::PlainText);
    QCOMPARE(box.modality, Qt::ApplicationModal);
    QCOMPARE(box.windowCursor, Qt::WaitCursor);

    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(readFile(dataFile("tavelsrtd.txt")), recordA + "\r\n" + recordB + "\r\n");
}

void TestOstrelSort::failureLeavesOutputAlone_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expectedText");

    const QByteArray markup = keyed("CC01", "<b>X</b>");
    QTest::newRow("duplicate key, name with markup")
        << markup + "\r\n" + recordA + "\r\n" + markup + "\r\n"
        << "Failed Sort - duplicate keys, \n Line =  3\n Name = <b>X</b>\n Key = 0700" + QString(13, '.') + "<bCC01";
    const QByteArray latin1 = keyed("DD01", "Caf\xe9 Royal");
    QTest::newRow("duplicate key, Latin-1 name")
        << latin1 + "\r\n" + latin1 + "\r\n"
        << "Failed Sort - duplicate keys, \n Line =  2\n Name = Caf\u00e9 Royal\n Key = 0700" + QString(13, '.')
               + "CaDD01";
    // Saved as UTF-8 by Notepad: columns count characters, and the key's
    // columns 18-19 hold a whole accented letter.
    const QByteArray utf8 = keyed("EE01", "S\xc3\x83O PAULO", 9);
    QTest::newRow("duplicate key, UTF-8 name")
        << utf8 + "\r\n" + utf8 + "\r\n"
        << "Failed Sort - duplicate keys, \n Line =  2\n Name = S\u00c3O PAULO\n Key = 0700" + QString(13, '.')
               + "S\u00c3EE01";
    // A null input stands for a missing file.
    QTest::newRow("input missing") << QByteArray()
                                   << QString("Failed Sort - cannot read input file, \n File = <input path>\n"
                                              " Reason = No such file or directory");
}

void TestOstrelSort::failureLeavesOutputAlone()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expectedText);

    if (!input.isNull())
        writeFile(dataFile("taveld.txt"), input);
    writeFile(dataFile("tavelsrtd.txt"), earlierOutput);
    QTest::mouseClick(btnSort(), Qt::LeftButton);

    QCOMPARE(answerer->shown.size(), 1);
    QCOMPARE(answerer->shown.first().text, expectedText.replace("<input path>", dataFile("taveld.txt")));
    QCOMPARE(answerer->shown.first().windowCursor, Qt::WaitCursor);
    QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(readFile(dataFile("tavelsrtd.txt")), earlierOutput);
}

void TestOstrelSort::twoRunsGiveIdenticalOutput()
{
    writeFile(dataFile("taveld.txt"), readFile(QStringLiteral(EXAMPLES_FOLDER "/routes.txt")));
    QTest::keyClick(form->windowHandle(), Qt::Key_Space);
    const QByteArray first = readFile(dataFile("tavelsrtd.txt"));
    QCOMPARE(first.count("\r\n"), 60);

    writeFile(dataFile("tavelsrtd.txt"), earlierOutput);
    // The focus must be back on the button once the first box is gone.
    QTest::keyClick(form->windowHandle(), Qt::Key_Space);
    QCOMPARE(answerer->shown.size(), 2);
    QCOMPARE(readFile(dataFile("tavelsrtd.txt")), first);
}

void TestOstrelSort::closingAsksNothing()
{
    QCOMPARE(form->testAttribute(Qt::WA_QuitOnClose), true);
    QCOMPARE(form->close(), true);
    QCOMPARE(answerer->shown.size(), 0);
}

void TestOstrelSort::longRunShowsItsProgress_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("barMaximum"); // 0 for a busy bar
    QTest::addColumn<int>("barValue");

    QTest::newRow("reading, how far unknown") << int(ostrel::Progress::Step::Reading) << 0 << "Reading..." << 0 << 0;
    QTest::newRow("merging, a quarter done") << int(ostrel::Progress::Step::Merging) << 200 << "Merging..." << 100 << 25;
}

void TestOstrelSort::longRunShowsItsProgress()
{
    QFETCH(int, step);
    QFETCH(int, total);
    QFETCH(QString, label);
    QFETCH(int, barMaximum);
    QFETCH(int, barValue);

    ostrel::Progress progress;
    progress.begin(ostrel::Progress::Step(step), total);
    progress.advance(50);
    const ostrel::ProgressWindow shown(progress, form.get(), std::chrono::milliseconds(500));
    QTest::qWait(200);
    QVERIFY(!shown.isVisible());
    QTRY_VERIFY(shown.isVisible());
    QCOMPARE(shown.windowTitle(), QString("OstrelSort"));
    QCOMPARE(shown.findChild<QLabel *>()->text(), label);
    QCOMPARE(shown.findChild<QProgressBar *>()->maximum(), barMaximum);
    QCOMPARE(shown.findChild<QProgressBar *>()->value(), barValue);
}

QTEST_MAIN(TestOstrelSort)
#include "tst_ostrel_sort.moc"
